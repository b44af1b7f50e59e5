#!/bin/sh
# Makes the Debian package of a build and checks it: the files in their
# places, what the package pulls in, lintian without errors, the desktop entry
# and the AppStream data valid, and usblink-cli running from the unpacked
# package with the package's version. A release build's package must also
# pass lintian without warnings (its hardening tags among them).
# Usage: check-deb.sh BUILD_DIR WORK_DIR [release]
set -eu
build=$1 work=$2 kind=${3:-}
skipped=77
for tool in lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null ||
    { echo "$tool is missing: scripts/install-deps package"; exit "$skipped"; }
done
fail() { echo "$*"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/usblink_*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb" >"$work/contents"
metainfo=$(sed -n 's|.* \./\(usr/share/metainfo/.*\.metainfo\.xml\)$|\1|p' "$work/contents")
[ -n "$metainfo" ] || fail "missing from the package: AppStream metainfo"
for file in usr/bin/usblink-cli usr/bin/usblink usr/lib/udev/rules.d/70-usblink.rules \
  usr/share/man/man1/usblink-cli.1.gz usr/share/man/man1/usblink.1.gz \
  usr/share/man/man1/usblink-demo.1.gz usr/share/bash-completion/completions/usblink-cli \
  usr/share/applications/usblink.desktop usr/share/doc/usblink/copyright \
  usr/share/doc/usblink/changelog.gz; do
  grep -q " \./$file\( -> .*\)\?\$" "$work/contents" || fail "missing from the package: $file"
done
dpkg-deb --field "$deb" Recommends | grep -q 'fonts-arphic-uming | fonts-noto-cjk' ||
  fail "the package does not recommend a CJK font"

# Errors (E:) fail, and for a release warnings (W:) too; the rest is listed.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
! grep -q '^E: ' "$work/lintian.log" || fail "lintian reports errors"
[ "$kind" != release ] || ! grep -q '^W: ' "$work/lintian.log" || fail "lintian reports warnings"

dpkg-deb --extract "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/usblink.desktop" ||
  fail "desktop entry not valid"
appstreamcli validate --no-net "$work/root/$metainfo" || fail "AppStream metainfo not valid"
version=$(dpkg-deb --field "$deb" Version)
"$work/root/usr/bin/usblink-cli" --version | grep -qx "usblink-cli $version" ||
  fail "usblink-cli --version does not say $version"
zcat "$work/root/usr/share/man/man1/usblink-cli.1.gz" | grep -q '^\.SH OPTIONS' ||
  fail "the manual page of usblink-cli lacks its options"
echo "package ok: $(basename "$deb")"
