#!/bin/sh
# Checks the Windows downloads scripts/package-windows made: the zip holds
# the three programs, the licence and the two quick starts, and nothing
# else; each program is stripped, under 5 MB, and carries the version, the
# icon (with its 256 px image) and the manifest; usblink-cli.exe runs under
# Wine with that version, and the quick start lists its exit statuses as its
# --help does.
# Usage: check-windows-package.sh PACKAGE_DIR VERSION WINE_PREFIX
set -eu
dir=$1 version=$2 prefix=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
skipped=77
command -v wrestool >/dev/null || { echo "wrestool is missing: scripts/install-deps release"; exit "$skipped"; }
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

zip=$dir/usblink-$version-windows-x64.zip
[ -f "$zip" ] || fail "no $zip"
unzip -Z1 "$zip" | sort >"$work/listed"
printf '%s\n' LICENSE.txt QUICKSTART-zh_CN.txt QUICKSTART.txt usblink-cli.exe usblink-demo.exe \
  usblink.exe >"$work/expected"
diff -u "$work/expected" "$work/listed" || fail "the zip does not hold what it should"
unzip -q "$zip" -d "$work/files"

IFS=. read -r major minor patch <<EOV
$version
EOV
for exe in usblink.exe usblink-demo.exe usblink-cli.exe; do
  file=$work/files/$exe
  size=$(stat -c %s "$file")
  [ "$size" -lt 5000000 ] || fail "$exe is $size bytes, not under 5 MB"
  ! x86_64-w64-mingw32-objdump -h "$file" | grep -q ' \.debug_' || fail "$exe has debug sections"
  x86_64-w64-mingw32-nm "$file" 2>&1 | grep -q 'no symbols' || fail "$exe has a symbol table"

  # The fixed part of the version resource: file and product version as
  # four 16-bit numbers each (minor, major, 0, patch in memory order).
  wrestool -x --raw --type=16 "$file" >"$work/version.res"
  offset=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$work/version.res" | head -1 | cut -d: -f1)
  [ -n "$offset" ] || fail "$exe has no version resource"
  numbers=$(od -An -tu2 -j $((offset + 8)) -N 16 "$work/version.res" | tr -s ' ' ' ' | sed 's/^ //')
  [ "$numbers" = "$minor $major 0 $patch $minor $major 0 $patch" ] ||
    fail "$exe: the fixed version is ($numbers), not $version"
  # The texts: each key followed by its value.
  iconv -c -f UTF-16LE -t UTF-8 "$work/version.res" | tr -s '\0' '\n' >"$work/version.txt"
  value() { awk -v key="$1" 'found { print; exit } $0 ~ key "$" { found = 1 }' "$work/version.txt"; }
  for key in FileVersion ProductVersion; do
    [ "$(value $key)" = "$version" ] || fail "$exe: $key is '$(value $key)', not $version"
  done
  [ "$(value ProductName)" = usblink ] || fail "$exe: ProductName is '$(value ProductName)'"
  [ "$(value OriginalFilename)" = "$exe" ] || fail "$exe: OriginalFilename is '$(value OriginalFilename)'"
  [ -n "$(value FileDescription)" ] || fail "$exe: no FileDescription"
  copyright=$(grep -m1 '^Copyright (c) ' "$source_dir/LICENSE")
  [ "$(value LegalCopyright)" = "$copyright" ] ||
    fail "$exe: LegalCopyright is '$(value LegalCopyright)', not '$copyright'"

  wrestool -x --type=14 "$file" >"$work/icon.ico"
  icotool -l "$work/icon.ico" | grep -q -- '--width=256 --height=256' || fail "$exe: no 256 px icon"
  wrestool -x --raw --type=24 "$file" >"$work/manifest.xml"
  for os in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
    1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    grep -q "supportedOS Id=\"{$os}\"" "$work/manifest.xml" || fail "$exe: manifest lacks supportedOS $os"
  done
  grep -q "version=\"$version.0\"" "$work/manifest.xml" || fail "$exe: manifest of another version"
done

wine_run() { "$source_dir/scripts/wine-run" "$prefix" "$@" </dev/null; }
wine_run "$work/files/usblink-cli.exe" --version | tr -d '\r' >"$work/version.out"
grep -qx "usblink-cli $version" "$work/version.out" ||
  fail "usblink-cli.exe --version says '$(cat "$work/version.out")'"

# Every exit status --help lists is a line of the English quick start, and
# has its line in the Chinese one.
wine_run "$work/files/usblink-cli.exe" --help | tr -d '\r' |
  sed -n '/^Exit status:/,$p' | sed 1d >"$work/statuses"
[ -s "$work/statuses" ] || fail "usblink-cli.exe --help lists no exit status"
tr -d '\r' <"$work/files/QUICKSTART.txt" >"$work/en.txt"
tr -d '\r' <"$work/files/QUICKSTART-zh_CN.txt" >"$work/zh.txt"
while IFS= read -r line; do
  grep -qxF -- "$line" "$work/en.txt" || fail "QUICKSTART.txt lacks the exit status line '$line'"
  number=$(echo "$line" | awk '{ print $1 }')
  grep -qE "^ *$number  [^ ]" "$work/zh.txt" || fail "QUICKSTART-zh_CN.txt lacks exit status $number"
done <"$work/statuses"
for text in en.txt zh.txt; do
  # shellcheck disable=SC1003
  grep -qF '%LOCALAPPDATA%\usblink\' "$work/$text" || fail "$text does not say where the session log is"
done
head -c 3 "$work/files/QUICKSTART-zh_CN.txt" | od -An -tx1 | grep -q 'ef bb bf' ||
  fail "QUICKSTART-zh_CN.txt is not marked as UTF-8 for Notepad"
echo "windows package ok: $(basename "$zip")"
