#!/usr/bin/env bash
# The release: builds LanqiClockGuard.exe (windows preset, Release, tests off) in
# build/release-tree and writes to build/release/:
#   LanqiClockGuard.exe
#   LanqiClockGuard.exe.sha256        one sha256sum line, so `sha256sum -c` works in that folder
#   LanqiClockGuard-<version>.zip     the exe and README.txt for Windows users
# The exe is the same bytes wherever it is built (scripts/check_reproducible.sh), and so is the
# zip: every entry carries the time of the last commit (or SOURCE_DATE_EPOCH when set), fixed
# permissions, no extra fields, in a fixed order. The program is not started.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

tools=(cmake ninja x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres zip sha256sum)
for tool in "${tools[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    "$here/setup.sh"
    break
  fi
done

version=$(sed -n 's/^project(LanqiClockGuard VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if [[ -z $version ]]; then
  echo "release: no project VERSION in CMakeLists.txt" >&2
  exit 1
fi

if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
  if [[ -n $(git -C "$root" status --porcelain --untracked-files=normal) ]]; then
    echo "release: note: the working tree has changes not committed; the exe is built from them"
  fi
else
  epoch=${SOURCE_DATE_EPOCH:?release: outside a git checkout, set SOURCE_DATE_EPOCH}
fi

tree=$root/build/release-tree
out=$root/build/release
(cd "$root" && cmake --preset windows -B "$tree" -DLANQI_BUILD_TESTS=OFF >/dev/null)
cmake --build "$tree" -j "${LANQI_JOBS:-2}" --target LanqiClockGuard

rm -rf "$out"
mkdir -p "$out"
cp "$tree/program/LanqiClockGuard.exe" "$out/"
(cd "$out" && sha256sum LanqiClockGuard.exe >LanqiClockGuard.exe.sha256)

# The zip's entries, staged with the commit's time and fixed permissions. README.txt is opened
# in Notepad: UTF-8 with a byte order mark and CRLF line ends reads right on every Windows.
staging=$(mktemp -d "$root/build/release-staging.XXXXXX")
trap 'rm -rf "$staging"' EXIT
cp "$out/LanqiClockGuard.exe" "$staging/"
{
  printf '\xef\xbb\xbf'
  sed -e "s/@VERSION@/$version/g" -e 's/\r$//' -e 's/$/\r/' "$root/resources/release/README.txt"
} >"$staging/README.txt"
chmod 0755 "$staging/LanqiClockGuard.exe"
chmod 0644 "$staging/README.txt"
touch -d "@$epoch" "$staging/LanqiClockGuard.exe" "$staging/README.txt"

zipfile=$out/LanqiClockGuard-$version.zip
# zip writes local time into its entries: UTC makes that the same on every machine. -X leaves
# out the owner and the extra time fields, -D directory entries.
(cd "$staging" && TZ=UTC zip -X -D -q "$zipfile" LanqiClockGuard.exe README.txt)

echo
echo "release: $out"
ls -l "$out"
zip -sf "$zipfile" | sed 's/^/  /'
(cd "$out" && sha256sum LanqiClockGuard.exe "$(basename "$zipfile")")
