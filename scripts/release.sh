#!/usr/bin/env bash
# Builds the release artefacts from a clean tree (the committed HEAD, exported
# into build-dist/src): the Debian package, the Windows installer (per-user MSI)
# and zip, and the web page's zip (the static site), with their SHA-256 sums,
# into dist/. With K5_SIGN_PKCS12 (and K5_SIGN_PASSWORD) naming a code-signing
# certificate, the .exe files and then the MSI are signed (scripts/lib/sign.sh);
# without, they are built unsigned and the script says so. SOURCE_DATE_EPOCH is
# the last commit's time, so two runs on the same commit give the same bytes
# where the tools allow.
# A version without its release notes (CHANGELOG.md, the Debian changelog) is
# refused. Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh

if [ -n "$(git status --porcelain --untracked-files=no)" ] && [ "${K5_ALLOW_DIRTY:-0}" != 1 ]; then
  echo "release.sh builds the committed HEAD; commit first (or K5_ALLOW_DIRTY=1 to build HEAD anyway)" >&2
  exit 1
fi
version=$(sed -n 's/^project(k5_iap_tool VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
scripts/check-release-notes.sh "$version"
scripts/deps.sh dpkg-dev g++-mingw-w64-x86-64-posix emscripten wixl osslsigncode

top=$PWD
src=$top/build-dist/src
rm -rf "$src"
mkdir -p "$src" "$top/dist"
git archive HEAD | tar -x -C "$src"
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
# Files the archive tools read get the commit's time too.
find "$src" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

cd "$src"
step release-configure "Configuring release" cmake --preset release
step release-build "Building release" cmake --build --preset release
step release-deb "Packing the .deb" cpack --config build-release/CPackConfig.cmake -B build-release/package
step win64-release-configure "Configuring win64-release" cmake --preset win64-release
step win64-release-build "Cross-building win64-release" cmake --build --preset win64-release
# Stripped before they are signed: stripping a signed file drops its signature.
for program in k5-iap-tool.exe k5-iap.exe; do
  x86_64-w64-mingw32-strip "build-win64-release/bin/$program"
done
if [ -n "${K5_SIGN_PKCS12:-}" ]; then
  step sign-exe "Signing the .exe files" "$src/scripts/lib/sign.sh" build-win64-release/bin/k5-iap-tool.exe \
    build-win64-release/bin/k5-iap.exe
else
  echo "--- not signed: K5_SIGN_PKCS12 names no certificate (Windows will warn about an unknown publisher)"
fi
step win64-release-zip "Packing the Windows zip" \
  cpack --config build-win64-release/CPackConfig.cmake -B build-win64-release/package
msi=build-win64-release/package/k5-iap-tool-$version-win64.msi
step win64-release-msi "Building the Windows installer" "$src/scripts/lib/build-msi.sh" build-win64-release/bin "$version" "$msi"
if [ -n "${K5_SIGN_PKCS12:-}" ]; then
  step sign-msi "Signing the installer" "$src/scripts/lib/sign.sh" "$msi"
fi

step web-configure "Configuring the web page" cmake --preset web
step web-build "Building the web page" cmake --build --preset web
web=k5-iap-tool-$version-web
rm -rf "build-web/$web"
cp -r build-web/site "build-web/$web"
cp LICENSE "build-web/$web/LICENSE.txt"
(cd build-web && step web-zip "Packing the web page's zip" /usr/bin/python3 "$src/scripts/lib/deterministic_zip.py" "$web" "$SOURCE_DATE_EPOCH")

rm -f "$top"/dist/k5-iap-tool[_-]*
cp build-release/package/k5-iap-tool_*_amd64.deb build-win64-release/package/k5-iap-tool-*-win64.zip \
  "$msi" "build-web/$web.zip" "$top/dist/"
cd "$top/dist"
sha256sum k5-iap-tool[_-]* >SHA256SUMS
cat SHA256SUMS
