#!/bin/sh
# Signs the Windows downloads with a throwaway self-signed code-signing
# certificate, as a release with a real one would be: every program in the
# zip and the MSI must carry a signature osslsigncode verifies against that
# certificate. The downloads made without a certificate must carry none.
# Usage: check-signing.sh BUILD_DIR UNSIGNED_PACKAGE_DIR VERSION WORK_DIR
set -eu
build=$1 unsigned=$2 version=$3 work=$4
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "FAIL: $*"; exit 1; }
name=usblink-$version-windows-x64

rm -rf "$work"
mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=usblink test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:throwaway \
  -out "$work/cert.p12"
USBLINK_SIGN_PKCS12=$work/cert.p12 USBLINK_SIGN_PASSWORD=throwaway \
  "$source_dir/scripts/package-windows" "$build" "$work/signed" >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; fail "package-windows with a certificate failed"; }
grep -qx "sign-windows: signed $name.msi" "$work/package.log" || fail "package-windows did not say it signed"

verify() { # FILE
  osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1 &&
    grep -q 'Succeeded' "$work/verify.log"
}
unzip -q "$work/signed/$name.zip" -d "$work/signed/files"
unzip -q "$unsigned/$name.zip" -d "$work/unsigned"
for exe in usblink.exe usblink-demo.exe usblink-cli.exe; do
  verify "$work/signed/files/$exe" || { cat "$work/verify.log"; fail "$exe: no valid signature"; }
  ! verify "$work/unsigned/$exe" || fail "$exe signed without a certificate"
done
verify "$work/signed/$name.msi" || { cat "$work/verify.log"; fail "the MSI: no valid signature"; }
! verify "$unsigned/$name.msi" || fail "the MSI signed without a certificate"
echo "signing ok: every program and the MSI"
