#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix: builds the MSI of
# build-win64/bin's programs (and one of a higher version), signs the programs
# and the MSI with a throw-away certificate and verifies them, builds it again
# (the same bytes), installs it per user, checks the files, the HKCU keys and
# the Start-menu shortcut, installs the second build over it and then one of
# the same version under another ProductCode (one entry each time), opens a pack
# through its association and reads what the window loaded, upgrades in place
# (one entry, the settings file kept) and uninstalls (everything the installer
# made gone, the settings file kept). Needs DISPLAY (Xvfb); run by
# scripts/test-windows.sh. OUT (optional): where the opened window's screenshot goes.
# K5_WIN64_BUILD (optional): the win64 build folder, build-win64 if unset.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${K5_WIN64_BUILD:-$top/build-win64}
bin=$build/bin
work=$build/installer
shot=${1:-$work/win32-pack-opened.png}
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d

fail() { echo "FAILED: $*" >&2; exit 1; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }  # Wine prints a missing key on stdout: the code tells

echo "--- signing with a throw-away certificate"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=K5 IAP Tool test signer" -addext extendedKeyUsage=codeSigning >/dev/null 2>&1
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.p12" -passout pass:test
mkdir -p "$work/bin"
cp "$bin/k5-iap-tool.exe" "$bin/k5-iap.exe" "$work/bin/"
export K5_SIGN_PKCS12=$work/signer.p12 K5_SIGN_PASSWORD=test
"$top/scripts/lib/sign.sh" "$work/bin/k5-iap-tool.exe" "$work/bin/k5-iap.exe"
"$top/scripts/lib/build-msi.sh" "$work/bin" 5.2 "$work/k5-iap-tool-5.2-win64.msi"
echo "--- the same inputs again, two seconds later: the same bytes"
sleep 2  # so that the clock and the copied files' times differ (the cabinet keeps times to 2 s)
mkdir -p "$work/again"
"$top/scripts/lib/build-msi.sh" "$work/bin" 5.2 "$work/again/k5-iap-tool-5.2-win64.msi"
cmp "$work/k5-iap-tool-5.2-win64.msi" "$work/again/k5-iap-tool-5.2-win64.msi" || fail "two builds of the MSI differ"
echo "    identical, package code $(msiinfo suminfo "$work/again/k5-iap-tool-5.2-win64.msi" | sed -n 's/.*(UUID): //p')"
"$top/scripts/lib/sign.sh" "$work/k5-iap-tool-5.2-win64.msi"
for file in bin/k5-iap-tool.exe bin/k5-iap.exe k5-iap-tool-5.2-win64.msi; do
  verified=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$work/$file" 2>&1) ||
    fail "osslsigncode verify $file: $verified"
  grep -q "Signature verification: ok" <<<"$verified" || fail "$file: $verified"
  echo "    $file: $(grep -m1 'Subject:' <<<"$verified" | sed 's/^[[:space:]]*//'), signature verification: ok"
done
"$top/scripts/lib/build-msi.sh" "$bin" 5.2.1 "$work/k5-iap-tool-5.2.1-win64.msi"
wineboot -i >/dev/null 2>&1
user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
programs="$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/K5 IAP Tool"
shortcut="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/K5 IAP Tool.lnk"

echo "--- install: msiexec /i k5-iap-tool-5.2-win64.msi /qn"
wine msiexec /i "$work/k5-iap-tool-5.2-win64.msi" /qn || fail "msiexec /i exited $?"
wineserver -w
for file in k5-iap-tool.exe k5-iap.exe README.txt LICENSE.txt; do
  [ -f "$programs/$file" ] || fail "$file is not in $programs"
done
echo "    files in AppData/Local/Programs/K5 IAP Tool: $(cd "$programs" && ls | tr '\n' ' ')"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
echo "    Start-menu shortcut: K5 IAP Tool.lnk"
for key in 'HKCU\Software\Classes\.pack' 'HKCU\Software\Classes\.pack\OpenWithProgids' \
  'HKCU\Software\Classes\K5IapTool.Pack\DefaultIcon' 'HKCU\Software\Classes\K5IapTool.Pack\shell\open\command' \
  'HKCU\Software\Classes\.k5station' 'HKCU\Software\Classes\K5IapTool.Station\shell\open\command'; do
  has_key "$key" || fail "no key $key"
done
command=$(wine reg query 'HKCU\Software\Classes\K5IapTool.Pack\shell\open\command' /ve | tr -d '\r' | grep REG_SZ)
echo "    open verb:$command"
grep -q 'k5-iap-tool.exe" "%1"' <<<"$command" || fail "the open verb does not pass the file: $command"
entry=$(wine uninstaller --list 2>/dev/null | tr -d '\r' | grep "K5 IAP Tool") || fail "no Add/Remove entry"
# Wine keeps a per-user product's entry under HKLM; its version is the MSI's.
shown=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\'"${entry%%|*}" /v DisplayVersion |
  tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ "$shown" = 5.2.0 ] || fail "the Add/Remove entry shows version '$shown'"
echo "    Add/Remove Programs: $entry, version $shown"

echo "--- the second build of 5.2 installed over it: msiexec /i again/k5-iap-tool-5.2-win64.msi /qn"
wine msiexec /i "$work/again/k5-iap-tool-5.2-win64.msi" /qn || fail "the second install exited $?"
wineserver -w
entries=$(wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -c "K5 IAP Tool" || true)
[ "$entries" = 1 ] || fail "$entries Add/Remove entries after installing the same version again"
[ -f "$programs/k5-iap-tool.exe" ] || fail "installing the same version again removed the program"
echo "    one Add/Remove entry, the program in place"

echo "--- 5.2 under another ProductCode (as built before the codes were derived) replaces it"
other=$work/again/k5-iap-tool-5.2-other.msi
cp "$work/again/k5-iap-tool-5.2-win64.msi" "$other"
msibuild "$other" -s "K5 IAP Tool 5.2.0" "K5 IAP Tool developers" "x64;1033" "{6F1D0C84-2B5E-4A97-8C3D-0E9A7B1F4D26}"
msibuild "$other" -q "UPDATE Property SET Value = '{1C7E5A93-D24B-4F06-A8E1-3B95C0D7F612}' WHERE Property = 'ProductCode'"
wine msiexec /i "$other" /qn || fail "installing 5.2 under another ProductCode exited $?"
wineserver -w
entry=$(wine uninstaller --list 2>/dev/null | tr -d '\r' | grep "K5 IAP Tool" | paste -sd' ' || true)
[ "$entry" = "{1C7E5A93-D24B-4F06-A8E1-3B95C0D7F612}|||K5 IAP Tool" ] || fail "Add/Remove programs lists: $entry"
echo "    one Add/Remove entry: $entry"

echo "--- association: wine start Firmware.Pack"
# Windows merges HKCU\Software\Classes into HKEY_CLASSES_ROOT; Wine's HKCR shows only
# HKLM\Software\Classes. So the installer's per-user keys are copied there, as Windows would see them.
for key in '.pack' 'K5IapTool.Pack\shell\open\command'; do
  value=$(wine reg query 'HKCU\Software\Classes\'"$key" /ve | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  wine reg add 'HKLM\Software\Classes\'"$key" /ve /d "$value" /f >/dev/null 2>&1
done
"$top/build/bin/k5-sim" mkpack --out "$work/Firmware.Pack" --length 4096 --version 308 >/dev/null
openbox_pid=
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & openbox_pid=$!; }  # a frame and title for the screenshot
timeout 60 wine start /unix "$work/Firmware.Pack" >/dev/null 2>&1 || fail "wine start exited $?"
fields=
for _ in $(seq 100); do
  fields=$(wine "$bin/window_text_probe.exe" 2>/dev/null | tr -d '\r' | paste -sd' ' || true)
  [ "$fields" = "Firmware.Pack 308" ] && break
  sleep 0.2
done
[ "$fields" = "Firmware.Pack 308" ] || fail "the window opened from the pack shows '$fields'"
echo "    the window shows: $fields"
sleep 1
import -window root "$shot" 2>/dev/null || true
timeout 30 wine "$programs/k5-iap-tool.exe" "$work/Firmware.Pack" >/dev/null 2>&1 ||
  fail "a second start did not hand over its file and exit"
echo "    a second start handed its file over and exited"
wineserver -k 2>/dev/null || true  # closes the program
wineserver -w 2>/dev/null || true
[ -z "$openbox_pid" ] || kill "$openbox_pid" 2>/dev/null || true  # this one only: others may share the machine
wine reg delete 'HKLM\Software\Classes\.pack' /f >/dev/null 2>&1 || true
wine reg delete 'HKLM\Software\Classes\K5IapTool.Pack' /f >/dev/null 2>&1 || true

echo "--- upgrade: msiexec /i k5-iap-tool-5.2.1-win64.msi /qn"
printf '[Uart]\r\nPort=3\r\n' >"$programs/eBikeSet.ini"
wine msiexec /i "$work/k5-iap-tool-5.2.1-win64.msi" /qn || fail "the upgrade exited $?"
wineserver -w
entries=$(wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -c "K5 IAP Tool" || true)
[ "$entries" = 1 ] || fail "$entries Add/Remove entries after the upgrade"
grep -q 'Port=3' "$programs/eBikeSet.ini" || fail "the upgrade lost the settings file"
[ -f "$programs/k5-iap-tool.exe" ] || fail "the upgrade removed the program"
echo "    one Add/Remove entry: $(wine uninstaller --list 2>/dev/null | tr -d '\r' | grep 'K5 IAP Tool')"
echo "    the settings file kept: $(tr -d '\r' <"$programs/eBikeSet.ini" | paste -sd' ')"

echo "--- uninstall: msiexec /x k5-iap-tool-5.2.1-win64.msi /qn"
wine msiexec /x "$work/k5-iap-tool-5.2.1-win64.msi" /qn || fail "msiexec /x exited $?"
wineserver -w
for file in k5-iap-tool.exe k5-iap.exe README.txt LICENSE.txt; do
  [ ! -e "$programs/$file" ] || fail "$file is still there"
done
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
for key in 'HKCU\Software\Classes\.pack' 'HKCU\Software\Classes\K5IapTool.Pack' 'HKCU\Software\Classes\.k5station' \
  'HKCU\Software\Classes\K5IapTool.Station' 'HKCU\Software\K5 IAP Tool'; do
  ! has_key "$key" || fail "the key $key is still there"
done
[ -f "$programs/eBikeSet.ini" ] || fail "the uninstall removed the user's settings file"
[ "$(wine uninstaller --list 2>/dev/null | grep -c 'K5 IAP Tool' || true)" = 0 ] || fail "still listed"
echo "    files, keys, shortcut and entry gone; the settings file stays"
wineserver -k 2>/dev/null || true
