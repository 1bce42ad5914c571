#!/usr/bin/env bash
# The Debian package lane: builds k5-iap-tool_<version>_amd64.deb from the
# release preset, checks it with lintian (no errors), desktop-file-validate and
# appstreamcli, installs it with apt-get, runs the installed programs (version,
# a pack, the desktop program offscreen for a moment, where its settings go,
# what a user without access to the port is told, that packs (and station set-ups) are a file type the
# desktop program opens), then removes it again.
# Installs what is missing; needs root (or sudo) for apt-get.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/steps.sh
scripts/deps.sh dpkg-dev lintian desktop-file-utils appstream util-linux shared-mime-info xdg-utils libfile-mimeinfo-perl qt6-translations-l10n

step configure-release "Configuring release" cmake --preset release --fresh
step build-release "Building release" cmake --build --preset release
rm -rf build-release/package
step cpack-deb "Packing the .deb" cpack --config build-release/CPackConfig.cmake -B build-release/package
deb=$(ls "$PWD"/build-release/package/k5-iap-tool_*_amd64.deb)
version=$(dpkg-deb -f "$deb" Version)
echo "--- $(basename "$deb")"

fail() { echo "FAILED: $*" >&2; exit 1; }
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)

echo "--- lintian"
findings=$(lintian --fail-on error "$deb" 2>&1) || fail "lintian found errors: $findings"
findings=$(grep -v -e "root privileges" -e '^$' <<<"$findings" || true)
echo "${findings:-no errors, no warnings}"
echo "--- desktop-file-validate, appstreamcli validate"
desktop-file-validate packaging/linux/k5-iap-tool.desktop
appstreamcli validate --no-net build-release/packaging/*.metainfo.xml

work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
  "${as_root[@]}" apt-get remove -y -qq k5-iap-tool >/dev/null 2>&1 || true
}
trap cleanup EXIT
step install-deb "Installing the .deb" "${as_root[@]}" apt-get install -y "$deb"

[ "$(/usr/bin/k5-iap --version)" = "k5-iap $version" ] || fail "k5-iap --version"
[ "$(/usr/bin/k5-sim --version)" = "k5-sim $version" ] || fail "k5-sim --version"
[ "$(QT_QPA_PLATFORM=offscreen /usr/bin/k5-iap-tool --version 2>/dev/null)" = "k5-iap-tool $version" ] ||
  fail "k5-iap-tool --version"
/usr/bin/k5-sim mkpack --out "$work/fw.Pack" --length 4096 >/dev/null
/usr/bin/k5-iap info "$work/fw.Pack" | grep -q "Software + Settings" || fail "k5-iap info"

# Packs, in any case, are a file type of their own that the desktop program opens.
for name in x.Pack X.PACK; do
  cp "$work/fw.Pack" "$work/$name"
  type=$(xdg-mime query filetype "$work/$name")
  [ "$type" = application/x-k5-iap-pack ] || fail "xdg-mime says $name is $type"
  echo "--- xdg-mime: $name is $type"
done
handler=$(xdg-mime query default application/x-k5-iap-pack)
[ "$handler" = k5-iap-tool.desktop ] || fail "packs open with '$handler', not k5-iap-tool.desktop"
echo "--- xdg-mime: packs open with $handler"
# Station set-ups too: the desktop program opens the station with them, locked.
printf '[Station]\n' >"$work/Line 3.k5station"
type=$(xdg-mime query filetype "$work/Line 3.k5station")
[ "$type" = application/x-k5station ] || fail "xdg-mime says Line 3.k5station is $type"
handler=$(xdg-mime query default application/x-k5station)
[ "$handler" = k5-iap-tool.desktop ] || fail "set-ups open with '$handler', not k5-iap-tool.desktop"
echo "--- xdg-mime: Line 3.k5station is $type, opened with $handler"

# The desktop program starts and keeps running until stopped.
status=0
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/k5-iap-tool 2>/dev/null || status=$?
[ "$status" = 124 ] || fail "k5-iap-tool ended by itself (status $status)"

# Settings go to the user's config folder, never to /usr/bin (not even as root).
settings=$(XDG_CONFIG_HOME="$work/config" /usr/bin/k5-iap doctor --port /dev/null 2>&1 || true)
grep -q "$work/config/k5-iap-tool/eBikeSet.ini" <<<"$settings" ||
  fail "the settings file is not under XDG_CONFIG_HOME: $settings"

# A user outside the dialout group is told how to get in.
/usr/bin/k5-sim --quiet --link "$work/port" >/dev/null 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -L "$work/port" ] && break; sleep 0.05; done
chmod 755 "$work"
# As a USB adapter's device is: root:dialout, 0660.
chgrp dialout "$(readlink "$work/port")" && chmod 0660 "$(readlink "$work/port")"
advice=$(XDG_CONFIG_HOME="$work" setpriv --reuid=65534 --regid=65534 --clear-groups \
  /usr/bin/k5-iap doctor --port "$(readlink "$work/port")" 2>&1 || true)
grep -q "dialout" <<<"$advice" || fail "doctor does not name the dialout group: $advice"

step remove-deb "Removing the package" "${as_root[@]}" apt-get remove -y k5-iap-tool
[ ! -e /usr/bin/k5-iap ] || fail "k5-iap is still there after removal"
echo "--- the package installs, runs and removes cleanly"
