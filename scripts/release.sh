#!/usr/bin/env bash
# The release: builds LanqiClockGuard.exe (windows preset, Release, tests off) in
# build/release-tree and writes to build/release/:
#   LanqiClockGuard.exe
#   LanqiClockGuard.exe.sha256        one sha256sum line, so `sha256sum -c` works in that folder
#   LanqiClockGuard-<version>.zip     the exe and README.txt for Windows users
#   LanqiClockGuard-<version>-setup.exe           the setup that installs them (scripts/make_setup.sh)
#   LanqiClockGuard-<version>-setup.exe.sha256    its sha256sum line
# The exe is the same bytes wherever it is built (scripts/check_reproducible.sh), and so are the
# zip and the setup: every file in them carries the time of the last commit (or SOURCE_DATE_EPOCH
# when set); the zip's entries have fixed permissions, no extra fields and a fixed order. The
# program is not started.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=lib/release_files.sh
source "$here/lib/release_files.sh"

tools=(cmake ninja x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres zip makensis sha256sum)
for tool in "${tools[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    "$here/setup.sh"
    break
  fi
done

version=$(lanqi_version "$root")
if [[ -z $version ]]; then
  echo "release: no project VERSION in CMakeLists.txt" >&2
  exit 1
fi

epoch=$(lanqi_source_epoch "$root") || exit 1
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1 &&
  [[ -n $(git -C "$root" status --porcelain --untracked-files=normal) ]]; then
  echo "release: note: the working tree has changes not committed; the exe is built from them"
fi

tree=$root/build/release-tree
out=$root/build/release
(cd "$root" && cmake --preset windows -B "$tree" -DLANQI_BUILD_TESTS=OFF >/dev/null)
cmake --build "$tree" -j "${LANQI_JOBS:-2}" --target LanqiClockGuard

rm -rf "$out"
mkdir -p "$out"
cp "$tree/program/LanqiClockGuard.exe" "$out/"
(cd "$out" && sha256sum LanqiClockGuard.exe >LanqiClockGuard.exe.sha256)

# The zip's entries, staged with the commit's time and fixed permissions.
staging=$(mktemp -d "$root/build/release-staging.XXXXXX")
trap 'rm -rf "$staging"' EXIT
lanqi_stage_payload "$root" "$out/LanqiClockGuard.exe" "$version" "$staging" "$epoch"

zipfile=$out/LanqiClockGuard-$version.zip
# zip writes local time into its entries: UTC makes that the same on every machine. -X leaves
# out the owner and the extra time fields, -D directory entries.
(cd "$staging" && TZ=UTC zip -X -D -q "$zipfile" LanqiClockGuard.exe README.txt)

setup=LanqiClockGuard-$version-setup.exe
SOURCE_DATE_EPOCH=$epoch "$here/make_setup.sh" "$out/LanqiClockGuard.exe" "$out/$setup"
(cd "$out" && sha256sum "$setup" >"$setup.sha256")

echo
echo "release: $out"
ls -l "$out"
zip -sf "$zipfile" | sed 's/^/  /'
(cd "$out" && sha256sum LanqiClockGuard.exe "$(basename "$zipfile")" "$setup")
