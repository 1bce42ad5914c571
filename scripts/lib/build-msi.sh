#!/usr/bin/env bash
# build-msi.sh BIN_DIR VERSION OUT.msi: the per-user Windows installer of the
# programs in BIN_DIR (k5-iap-tool.exe and k5-iap.exe, taken as they are: strip
# and sign them before) with wixl, staged beside packaging/windows/k5-iap-tool.wxs
# in OUT.msi's folder.
#
# The same inputs give the same bytes. wixl (0.101) puts a random package code
# and its clock into the summary information, and the files' modification times
# into the cabinet; so the staged files get the time SOURCE_DATE_EPOCH (else
# 1980-01-01, the cabinet's earliest), and after wixl the package code and both
# summary times are set from the inputs:
#   ProductCode   name-based UUID of the version: one product per version, so a
#                 rebuild of the installed version installs as that same product
#                 (one entry in Add/Remove programs);
#   package code  name-based UUID of the version, that time and the SHA-256 of
#                 every staged file (wixl ignores Package/@Id);
#   Created, Last saved: that time.
# And an installed copy of the same version under another ProductCode (built
# before the codes were derived) is replaced as an older version is (WiX's
# AllowSameVersionUpgrades, which wixl does not know).
set -euo pipefail
bin=$1 version=$2 out=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
"$top/scripts/deps.sh" wixl python3-gi gir1.2-libmsi-1.0  # libmsi from Python, for the summary information
stage="$(dirname "$out")/msi-stage"
rm -rf "$stage"
mkdir -p "$stage"
cp "$bin/k5-iap-tool.exe" "$bin/k5-iap.exe" "$top/packaging/windows/k5-iap-tool.wxs" "$top/packaging/windows/README.txt" "$top/app/resources/icon.ico" "$stage/"
cp "$top/LICENSE" "$stage/LICENSE.txt"
# An MSI version has three parts: 5.2 is 5.2.0.
case $version in *.*.*) ;; *) version=$version.0 ;; esac
epoch=${SOURCE_DATE_EPOCH:-315532800}
touch -d "@$epoch" "$stage"/*

codes=$(/usr/bin/python3 - "$stage" "$version" "$epoch" <<'EOF'
import hashlib, os, sys, uuid
stage, version, epoch = sys.argv[1:]
# Never change: every released ProductCode and package code follows from it.
namespace = uuid.UUID("3C1F6E2B-5A0D-4E8C-9B7A-6D2E4F1A8C35")
inputs = hashlib.sha256()
for name in sorted(os.listdir(stage)):
    with open(os.path.join(stage, name), "rb") as f:
        inputs.update(f"{name}\0{os.path.getsize(f.name)}\0".encode() + f.read())
print(str(uuid.uuid5(namespace, f"product {version}")).upper(),
      str(uuid.uuid5(namespace, f"package {version} {epoch} {inputs.hexdigest()}")).upper())
EOF
)
read -r product_code package_code <<<"$codes"
(cd "$stage" && TZ=UTC wixl -a x64 -D Version="$version" -D ProductCode="$product_code" -o k5-iap-tool.msi k5-iap-tool.wxs 2>wixl.log) || {
  cat "$stage/wixl.log" >&2
  exit 1
}
/usr/bin/python3 - "$stage/k5-iap-tool.msi" "{$package_code}" "$epoch" <<'EOF'
import sys
import gi
gi.require_version("Libmsi", "1.0")
from gi.repository import Libmsi

path, package_code, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
db = Libmsi.Database.new(path, Libmsi.DbFlags.TRANSACT, None)
info = Libmsi.SummaryInfo.new(db, 3)
info.set_string(Libmsi.Property.UUID, package_code)
filetime = (epoch + 11644473600) * 10000000  # 100 ns since 1601
info.set_filetime(Libmsi.Property.CREATED_TM, filetime)
info.set_filetime(Libmsi.Property.LASTSAVED_TM, filetime)
info.persist()
# The upgrade row (MajorUpgrade's) that finds older versions finds this version too
# (msidbUpgradeAttributesVersionMaxInclusive); never the product itself, as FindRelatedProducts
# runs only while its ProductCode is not installed. Attributes is part of the table's key: the
# row is written anew, not updated.
found = "FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'"
query = Libmsi.Query.new(db, "SELECT `UpgradeCode`, `VersionMax` " + found)
query.execute(None)
row = query.fetch()
upgrade_code, version = row.get_string(1), row.get_string(2)
query.close()
Libmsi.Query.new(db, "DELETE " + found).execute(None)
Libmsi.Query.new(db, "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) "
                     f"VALUES ('{upgrade_code}', '{version}', 513, 'WIX_UPGRADE_DETECTED')").execute(None)
db.commit()
EOF
mv "$stage/k5-iap-tool.msi" "$out"
rm -rf "$stage"
