#!/usr/bin/env bash
# scripts/check-release-notes.sh, as scripts/release.sh runs it: the tree's own
# version passes; a version CHANGELOG.md lacks, or one the Debian changelog
# does not have as its newest entry, is refused with a message that says which.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check=$root/scripts/check-release-notes.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

version=$(sed -n 's/^project(k5_iap_tool VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
"$check" "$version" || fail "the tree's version $version is refused"

grep -v "^## \[$version\]" "$root/CHANGELOG.md" >"$work/CHANGELOG.md"
if "$check" "$version" "$work/CHANGELOG.md" 2>"$work/err"; then fail "a version without its notes is released"; fi
grep -q "has no section \"## \[$version\]\"" "$work/err" || fail "the refusal does not say why: $(cat "$work/err")"

sed "1s/($version)/(0.1)/" "$root/packaging/linux/changelog" >"$work/changelog"
if "$check" "$version" "$root/CHANGELOG.md" "$work/changelog" 2>"$work/err"; then
  fail "a Debian changelog without $version is released"
fi
grep -q "newest entry is 0.1, not $version" "$work/err" || fail "the refusal does not say why: $(cat "$work/err")"
echo "ok    release notes: $version has them; a version without them is refused"
