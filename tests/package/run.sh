#!/usr/bin/env bash
# Proves the release package reproducible: clones the commit under test twice into two
# different folders (other names, other depths), runs scripts/package.sh in each (the
# second with another time zone, umask and locale) and compares the two zips byte for
# byte; then checks each zip's entries, read-me and Varnolt.exe
# (tests/package/check_package.py).
#
#   tests/package/run.sh
#
# The commit under test is HEAD, or, when tracked files have changes, a commit of the
# working tree as it is (untracked files are not part of it). Two Windows builds: slow.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
commit=$(git -C "$root" stash create 2>/dev/null || true)
commit=${commit:-$(git -C "$root" rev-parse HEAD)}

scratch=$(mktemp -d /tmp/varnolt-package-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
dir_a="$scratch/a/Varnolt"
dir_b="$scratch/second folder/deeper/Varnolt-copy"

clone() {
  mkdir -p "$(dirname "$1")"
  git clone -q --shared --no-checkout "$root" "$1"
  git -C "$1" checkout -q --detach "$commit"
}

echo "== package test: $(git -C "$root" rev-parse --short "$commit") in two folders"
clone "$dir_a"
clone "$dir_b"
(
  cd "$dir_a"
  umask 022
  env -u SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8 bash scripts/package.sh
)
(
  cd "$dir_b"
  umask 077
  env -u SOURCE_DATE_EPOCH TZ=Asia/Tokyo LC_ALL=ja_JP.UTF-8 bash scripts/package.sh
)

mapfile -t zips_a < <(find "$dir_a/dist" -name 'Varnolt-*.zip')
mapfile -t zips_b < <(find "$dir_b/dist" -name 'Varnolt-*.zip')
if [ "${#zips_a[@]}" -ne 1 ] || [ "${#zips_b[@]}" -ne 1 ]; then
  echo "FAIL: expected one Varnolt-*.zip in each dist folder: ${zips_a[*]} / ${zips_b[*]}" >&2
  exit 1
fi
zip_a=${zips_a[0]}
zip_b=${zips_b[0]}
if [ "$(basename "$zip_a")" != "Varnolt-2.01.zip" ]; then
  echo "FAIL: the package is $(basename "$zip_a"), expected Varnolt-2.01.zip" >&2
  exit 1
fi

status=0
if cmp -s "$zip_a" "$zip_b"; then
  echo "ok: the two zips are identical ($(stat -c %s "$zip_a") bytes)"
else
  status=1
  echo "FAIL: the zips differ"
  python3 - "$zip_a" "$zip_b" <<'EOF'
import sys, zipfile
a, b = (zipfile.ZipFile(p) for p in sys.argv[1:3])
for ia in a.infolist():
    try:
        ib = b.getinfo(ia.filename)
    except KeyError:
        print(f"  {ia.filename}: only in the first")
        continue
    da, db = a.read(ia), b.read(ib)
    if da != db:
        first = next((k for k in range(min(len(da), len(db))) if da[k] != db[k]), None)
        print(f"  {ia.filename}: contents differ ({len(da)} / {len(db)} bytes, first at {first})")
    for field in ("date_time", "external_attr", "create_system", "extra", "flag_bits"):
        if getattr(ia, field) != getattr(ib, field):
            print(f"  {ia.filename}: {field} {getattr(ia, field)!r} / {getattr(ib, field)!r}")
EOF
fi

epoch=$(git -C "$dir_a" log -1 --format=%ct)
for dir in "$dir_a" "$dir_b"; do
  zip=$(find "$dir/dist" -name 'Varnolt-*.zip')
  python3 "$root/tests/package/check_package.py" "$zip" --epoch "$epoch" --version 2.01 \
    --readme "$dir/docs/readme/readme.txt" --exe "$dir/build/package/Varnolt.exe" \
    --chm "$dir/build/package/help.chm" --forbid "$dir" --forbid "$scratch" || status=1
done
[ "$status" -eq 0 ] && echo "package test: passed" || echo "package test: FAILED"
exit "$status"
