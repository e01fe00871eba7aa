#!/usr/bin/env bash
# Makes the Debian package of a build, unpacks it into a temporary folder, runs
# its des_tool with piped input, and lets lintian look for errors.
#   check_deb.sh BUILD_DIR
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build_dir" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libpcsclite1'
dpkg-deb -f "$deb" Recommends | grep -qx 'pcscd'
dpkg-deb -x "$deb" "$work/root"
for program in tpdu_console des_tool mac_tool; do
  [[ -x "$work/root/usr/bin/$program" ]]
done
[[ -f "$work/root/usr/share/doc/torva-kit/README.md" ]]

output=$(printf '01 23 45 67 89 AB CD EF\n4E 6F 77 20 69 73 20 74\nC' | "$work/root/usr/bin/des_tool")
expected=$'Algoritmo DES\n\nDigitare chiave : Digitare dato da criptare : [C]riptare o [D]ecriptare ? C\nDato generato : 3F A4 0E 8A 98 4D 48 15 '
if [[ "$output" != "$expected" ]]; then
  echo "des_tool from the package printed:"
  printf '%s' "$output" | od -c
  exit 1
fi

if command -v lintian >/dev/null; then
  lintian --fail-on error --suppress-tags no-manual-page "$deb"
fi
echo "package ok: $(basename "$deb")"
