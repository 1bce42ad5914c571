#!/usr/bin/env bash
# build-msi.sh BIN_DIR VERSION OUT.msi: the per-user Windows installer of the
# programs in BIN_DIR (k5-iap-tool.exe and k5-iap.exe, taken as they are: strip
# and sign them before) with wixl, staged beside packaging/windows/k5-iap-tool.wxs
# in OUT.msi's folder.
set -euo pipefail
bin=$1 version=$2 out=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
stage="$(dirname "$out")/msi-stage"
rm -rf "$stage"
mkdir -p "$stage"
cp "$bin/k5-iap-tool.exe" "$bin/k5-iap.exe" "$top/packaging/windows/k5-iap-tool.wxs" "$top/packaging/windows/README.txt" "$top/app/resources/icon.ico" "$stage/"
cp "$top/LICENSE" "$stage/LICENSE.txt"
# An MSI version has three parts: 5.2 is 5.2.0.
case $version in *.*.*) ;; *) version=$version.0 ;; esac
(cd "$stage" && wixl -a x64 -D Version="$version" -o k5-iap-tool.msi k5-iap-tool.wxs 2>wixl.log) || {
  cat "$stage/wixl.log" >&2
  exit 1
}
mv "$stage/k5-iap-tool.msi" "$out"
rm -rf "$stage"
