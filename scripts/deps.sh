#!/usr/bin/env bash
# Installs the Debian packages the build needs, and any extra ones named as
# arguments. Only missing packages are installed; apt-get runs as root (through
# sudo when not root). Its output goes to build/logs/; one line is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libjpeg62-turbo-dev
  libcli11-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wqy-microhei
  gettext
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
install_missing() {
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
step packages "Installing ${#missing[@]} Debian packages: ${missing[*]}" install_missing
