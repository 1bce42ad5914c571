#!/usr/bin/env bash
# Refuses a release whose version the release notes do not have: CHANGELOG.md
# needs a "## [VERSION]" section and the Debian changelog's newest entry must
# be that version. Usage: check-release-notes.sh VERSION [CHANGELOG.md] [DEBIAN_CHANGELOG]
set -euo pipefail
version=${1:?usage: check-release-notes.sh VERSION [CHANGELOG.md] [DEBIAN_CHANGELOG]}
here=$(cd "$(dirname "$0")/.." && pwd)
notes=${2:-$here/CHANGELOG.md}
debian=${3:-$here/packaging/linux/changelog}

if ! grep -Fq "## [$version]" "$notes"; then
  echo "release: $notes has no section \"## [$version]\": say what $version changes before releasing it" >&2
  exit 1
fi
newest=$(sed -n '1s/^k5-iap-tool (\([^)]*\)).*/\1/p' "$debian")
if [ "$newest" != "$version" ]; then
  echo "release: the Debian changelog's newest entry is ${newest:-missing}, not $version: add an entry for $version to $debian" >&2
  exit 1
fi
