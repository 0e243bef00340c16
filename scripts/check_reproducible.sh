#!/usr/bin/env bash
# Checks that LanqiClockGuard.exe is reproducible: builds it once more from a copy of this working
# tree (tracked files and untracked files that are not ignored, as they are on disk now; never
# build/) at another path, in another build folder, with the tests off, and compares the bytes
# with the exe given. A user can then check a downloaded exe against one built from the sources.
# Then the setup (scripts/make_setup.sh) is made from each exe, here and in the copy, in another
# time zone, and the two setups are compared too.
#
#   scripts/check_reproducible.sh build/windows/program/LanqiClockGuard.exe
#
# Exit code 0 when the two exes and the two setups are the same bytes, 1 when they differ or a
# build fails, 2 for a wrong call. LANQI_JOBS sets the build's parallel jobs (default 2). Only the exe's
# target is built, at low priority; the temporary folder is removed at the end.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=lib/release_files.sh
source "$here/lib/release_files.sh"

if (($# != 1)) || [[ ! -f $1 ]]; then
  echo "usage: $0 <LanqiClockGuard.exe built by the windows preset>" >&2
  exit 2
fi
exe=$(realpath "$1")
jobs=${LANQI_JOBS:-2}
started=$SECONDS

work=$(mktemp -d "${TMPDIR:-/tmp}/lanqi-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Another depth as well as another name: a path kept in the exe would change its length too.
copy=$work/another/place/src
build=$work/another-build
mkdir -p "$copy"

# The files as they are now, edits not yet committed included; a file deleted but still
# tracked is left out. Outside a git checkout (an unpacked source archive) everything but build/.
list=$work/files
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  while IFS= read -r -d '' file; do
    if [[ -e $root/$file || -L $root/$file ]]; then printf '%s\0' "$file"; fi
  done < <(git -C "$root" ls-files -z --cached --others --exclude-standard) >"$list"
else
  (cd "$root" && find . -path ./build -prune -o -path ./.git -prune -o \( -type f -o -type l \) \
    -print0) >"$list"
fi
tar -C "$root" --null -T "$list" -cf - | tar -C "$copy" -xf -

log=$work/build.log
echo "check_reproducible: building LanqiClockGuard again in $copy"
if ! (cd "$copy" && nice -n 10 cmake --preset windows -B "$build" -DLANQI_BUILD_TESTS=OFF &&
  nice -n 10 cmake --build "$build" -j "$jobs" --target LanqiClockGuard) >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "check_reproducible: the second build failed (after $((SECONDS - started)) s)" >&2
  exit 1
fi
rebuilt=$build/program/LanqiClockGuard.exe

sha256sum "$exe" "$rebuilt" | sed 's/^/check_reproducible: /'
if cmp -s "$exe" "$rebuilt"; then
  echo "check_reproducible: the exes are the same bytes ($((SECONDS - started)) s)"
  # The copy is no git checkout: it takes the commit's time from here.
  epoch=$(lanqi_source_epoch "$root")
  if ! SOURCE_DATE_EPOCH=$epoch "$here/make_setup.sh" "$exe" "$work/here-setup.exe" ||
    ! SOURCE_DATE_EPOCH=$epoch TZ=America/New_York "$copy/scripts/make_setup.sh" "$rebuilt" \
      "$work/there-setup.exe"; then
    echo "check_reproducible: a setup could not be made" >&2
    exit 1
  fi
  sha256sum "$work/here-setup.exe" "$work/there-setup.exe" | sed 's/^/check_reproducible: /'
  if cmp -s "$work/here-setup.exe" "$work/there-setup.exe"; then
    echo "check_reproducible: the setups are the same bytes ($((SECONDS - started)) s)"
    exit 0
  fi
  echo "check_reproducible: the setups differ ($(cmp -l "$work/here-setup.exe" "$work/there-setup.exe" | wc -l) bytes)" >&2
  exit 1
fi

kept=${exe%.exe}-rebuilt.exe
cp "$rebuilt" "$kept"
{
  echo "check_reproducible: the exes differ ($(cmp -l "$exe" "$rebuilt" | wc -l) bytes);"
  echo "first differences (offset, octal bytes):"
  cmp -l "$exe" "$rebuilt" | head -n 20 || true
  echo "hint: cmp counts bytes from 1; bytes 137-140 of a MinGW exe are the link time in the PE header"
  echo "      and 217-220 the checksum that follows from it (-Wl,--no-insert-timestamp);"
  echo "      a run of differing bytes is often a path: strings -a <exe> | grep -e /tmp -e $root;"
  echo "      compare 'x86_64-w64-mingw32-objdump -x' of both. The second exe is kept as $kept."
  echo "check_reproducible: failed after $((SECONDS - started)) s"
} >&2
exit 1
