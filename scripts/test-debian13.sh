#!/usr/bin/env bash
# The Debian 13 lane: a minimal trixie system (debootstrap, kept in
# build-debian13/root between runs), the checkout copied into it, the README's
# demo run there, then the dev build (warnings as errors) and its tests.
# The Debian mirror is the one this machine's own apt sources use. Needs root
# (debootstrap, chroot, mounts); the mounts live in a private mount namespace
# and vanish with it, so nothing of the host's /dev stays mounted in the tree.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/steps.sh
scripts/deps.sh debootstrap

if [ "$(id -u)" -ne 0 ]; then
  echo "The Debian 13 lane needs root (debootstrap, chroot); K5_DEBIAN13=0 leaves it out." >&2
  exit 1
fi

# The first archive URI that serves this machine's own release, from either
# apt source format (deb822 .sources files, or one-line .list files).
debian_mirror() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  {
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true
    echo
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | sed 's/^/LINE: /' || true
  } | awk -v want="$codename" '
    function flush() {
      if (!found && types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " want " ") && uri != "") { print uri; found = 1 }
      types = ""; suites = ""; uri = ""
    }
    /^LINE: *deb / {
      n = split(substr($0, 7), f, /[ \t]+/); i = 2
      if (f[i] ~ /^\[/) { while (i <= n && f[i] !~ /\]$/) i++; i++ }
      if (!found && f[i + 1] == want) { print f[i]; found = 1 }
      next
    }
    /^[ \t]*$/ { flush(); next }
    /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
    /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
    /^URIs:/ { sub(/^URIs:[ \t]*/, ""); split($0, u, /[ \t]+/); uri = u[1] }
    END { flush() }
  '
}

cache=$PWD/build-debian13
root=$cache/root
ready=$root/.k5-lane-ready
if [ ! -e "$ready" ]; then
  mirror=$(debian_mirror)
  if [ -z "$mirror" ]; then
    echo "No Debian mirror found in /etc/apt/sources.list*; the Debian 13 lane needs one." >&2
    exit 1
  fi
  rm -rf "$root"
  mkdir -p "$cache"
  step debian13-bootstrap "Making a minimal Debian 13 system (debootstrap, $mirror)" \
    debootstrap --variant=minbase trixie "$root" "$mirror"
  touch "$ready"
fi

# The tree as git sees it (tracked and untracked, less what it ignores).
rm -rf "$root/src"
mkdir -p "$root/src"
git ls-files -z --cached --others --exclude-standard |
  tar --null --files-from=- -cf - | tar -xf - -C "$root/src"

inside=$(
  cat <<'EOF'
set -euo pipefail
export LANG=C.UTF-8 HOME=/root
cd /src
echo "--- $(. /etc/os-release && echo "$PRETTY_NAME"), $(g++ --version 2>/dev/null | head -n 1 || echo 'g++ not yet installed')"
scripts/demo.sh
echo "=== dev on Debian 13"
source scripts/lib/steps.sh
step configure-dev "Configuring dev" cmake --preset dev --fresh
step build-dev "Building dev" cmake --build --preset dev
ctest --preset dev -j2
EOF
)

# Mounts made in a private mount namespace end with it, however the lane ends.
unshare --mount --fork bash -euo pipefail -c '
  root=$1; inside=$2
  mount --make-rprivate /
  mount --rbind /dev "$root/dev"
  mount -t proc proc "$root/proc"
  mount -t tmpfs tmpfs "$root/tmp"
  exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb bash -c "$inside"
' lane "$root" "$inside"
