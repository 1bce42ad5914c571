#!/usr/bin/env bash
# sign.sh FILE...: signs each Windows file (.exe, .msi) in place with osslsigncode
# (Authenticode, SHA-256), with the certificate and key in the PKCS#12 file
# K5_SIGN_PKCS12 and its password K5_SIGN_PASSWORD (may be empty). With
# K5_SIGN_TIMESTAMP (a time-stamping server's URL) the signature outlives the
# certificate; without it, it is valid while the certificate is.
set -euo pipefail
: "${K5_SIGN_PKCS12:?the certificate to sign with (a .p12 or .pfx file)}"
timestamp=()
[ -n "${K5_SIGN_TIMESTAMP:-}" ] && timestamp=(-ts "$K5_SIGN_TIMESTAMP")
for file in "$@"; do
  # The password through a descriptor, not on a command line others can read.
  osslsigncode sign -pkcs12 "$K5_SIGN_PKCS12" -readpass <(printf '%s' "${K5_SIGN_PASSWORD:-}") \
    -n "K5 IAP Tool" -i "https://www.k5-drive.example" -h sha256 "${timestamp[@]}" \
    -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
done
