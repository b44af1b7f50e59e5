#!/bin/sh
# Installs the MSI of scripts/package-windows silently in a new Wine prefix,
# as a school's management tool would: the programs under Program Files, the
# installed usblink-cli.exe with the package's version, the Start menu
# entry, the uninstall entry with version and publisher, the folder on the
# PATH. Then the package of a newer version must replace it in place, and a
# silent uninstall must leave no file, no entry and no PATH part behind.
# Usage: check-msi.sh PACKAGE_DIR VERSION WORK_DIR
set -eu
dir=$1 version=$2 work=$3
fail() { echo "FAIL: $*"; exit 1; }
msi=$(realpath "$dir/usblink-$version-windows-x64.msi")

rm -rf "$work"
mkdir -p "$work"
WINEPREFIX="$(realpath "$work")/prefix"
export WINEPREFIX
export WINEDEBUG=-all
# No Mono, no Gecko, and no menu entries on this machine's own desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
server=/usr/lib/wine/wineserver64
trap '"$server" -k 2>/dev/null; "$server" -w 2>/dev/null || true' EXIT
wine wineboot -i </dev/null >/dev/null 2>&1

drive=$WINEPREFIX/drive_c
installed=$drive/Program\ Files/usblink
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
msiexec() { wine msiexec "$@" /qn </dev/null >"$work/msiexec.log" 2>&1 || { cat "$work/msiexec.log"; return 1; }; }
product_code() { msiinfo export "$1" Property | sed -n 's/^ProductCode\t//p' | tr -d '\r'; }
# Wine puts a per-machine package's shortcuts in the user's Start menu;
# Windows in the one of all users.
shortcuts() { find "$drive/ProgramData/Microsoft/Windows/Start Menu" "$drive/users" -name '*.lnk' 2>/dev/null; }

msiexec /i "$msi" || fail "msiexec /i failed"
for file in usblink.exe usblink-demo.exe usblink-cli.exe LICENSE.txt QUICKSTART.txt QUICKSTART-zh_CN.txt; do
  [ -f "$installed/$file" ] || fail "not installed: Program Files/usblink/$file"
done
wine "C:\\Program Files\\usblink\\usblink-cli.exe" --version </dev/null | tr -d '\r' >"$work/version.out"
grep -qx "usblink-cli $version" "$work/version.out" ||
  fail "the installed usblink-cli.exe --version says '$(cat "$work/version.out")'"
shortcuts | grep -q '/Start Menu/Programs/USB Link\.lnk$' || fail "no Start menu entry 'USB Link'"
code=$(product_code "$msi")
wine reg query "$uninstall\\$code" </dev/null | tr -d '\r' >"$work/entry"
grep -Eq "DisplayVersion +REG_SZ +$version\$" "$work/entry" || { cat "$work/entry"; fail "no uninstall entry with the version"; }
grep -Eq "Publisher +REG_SZ +[^ ]" "$work/entry" || fail "the uninstall entry names no publisher"
# shellcheck disable=SC1003
wine reg query "$environment" /v PATH </dev/null | grep -qF 'C:\Program Files\usblink\' ||
  fail "the install folder is not on the PATH"

# The package of the next version, as its build would make it: another
# product code, the same upgrade code, the versions it replaces up to its own.
newer=$(echo "$version" | awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }')
cp "$msi" "$work/newer.msi"
newer_code=$(tr '[:lower:]' '[:upper:]' </proc/sys/kernel/random/uuid)
upgrade_code=$(msiinfo export "$msi" Property | sed -n 's/^UpgradeCode\t//p' | tr -d '\r')
msibuild "$work/newer.msi" \
  -q "UPDATE \`Property\` SET \`Value\` = '$newer' WHERE \`Property\` = 'ProductVersion'" \
  -q "UPDATE \`Property\` SET \`Value\` = '{$newer_code}' WHERE \`Property\` = 'ProductCode'" \
  -q "DELETE FROM \`Upgrade\` WHERE \`Attributes\` = 1" \
  -q "DELETE FROM \`Upgrade\` WHERE \`Attributes\` = 2" \
  -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '$newer', 1, 'WIX_UPGRADE_DETECTED')" \
  -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMin\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '$newer', 2, 'WIX_DOWNGRADE_DETECTED')"
# A package code of its own, as every package has.
suminfo() { msiinfo suminfo "$msi" | sed -n "s/^$1: //p"; }
msibuild "$work/newer.msi" -s "$(suminfo Subject)" "$(suminfo Author)" "$(suminfo Template)" \
  "{$(tr '[:lower:]' '[:upper:]' </proc/sys/kernel/random/uuid)}"
msiexec /i "$work/newer.msi" || fail "msiexec /i of version $newer failed"
wine reg query "$uninstall\\$code" </dev/null >/dev/null 2>&1 && fail "version $version still installed beside $newer"
wine reg query "$uninstall\\{$newer_code}" </dev/null | grep -q "DisplayVersion.*$newer" ||
  fail "version $newer not installed"
[ -f "$installed/usblink-cli.exe" ] || fail "the upgrade removed the programs"
msiexec /i "$msi" 2>/dev/null && fail "version $version installed over $newer"

msiexec /x "$work/newer.msi" || fail "msiexec /x failed"
[ ! -e "$installed" ] || { find "$installed"; fail "files left behind"; }
! shortcuts | grep -q 'USB Link' || fail "the Start menu entry is left behind"
! wine reg query "$uninstall" </dev/null 2>/dev/null | grep -q "{$newer_code}" || fail "the uninstall entry is left behind"
! wine reg query "$environment" /v PATH </dev/null | grep -qF 'usblink' || fail "the PATH still names usblink"
echo "msi ok: installed, upgraded in place to $newer, removed"
