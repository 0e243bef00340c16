#!/usr/bin/env bash
# Makes the Windows setup LanqiClockGuard-<version>-setup.exe from a built exe, with NSIS and
# resources/release/setup.nsi: the release (scripts/release.sh) and the windows build (for the
# setup's test under Wine) both make it here. The setup is the same bytes wherever it is made from
# the same exe and sources: its files carry the time of the last commit (SOURCE_DATE_EPOCH when
# set), and makensis stamps nothing else that changes between builds (measured: two folders, two
# time zones, builds minutes apart).
#
#   scripts/make_setup.sh <LanqiClockGuard.exe> <setup.exe to write>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=lib/release_files.sh
source "$here/lib/release_files.sh"

if (($# != 2)) || [[ ! -f $1 ]]; then
  echo "usage: $0 <LanqiClockGuard.exe> <setup.exe to write>" >&2
  exit 2
fi
if ! command -v makensis >/dev/null; then
  echo "make_setup: makensis is missing (Debian package nsis; scripts/setup.sh installs it)" >&2
  exit 1
fi
version=$(lanqi_version "$root")
# A build from sources without git history (a source archive) still makes its setup for the
# tests, with the exe's own time; the release always knows its commit's time.
if ! epoch=$(lanqi_source_epoch "$root" 2>/dev/null); then
  epoch=$(stat -c %Y "$1")
  echo "make_setup: no commit time and no SOURCE_DATE_EPOCH: the files carry the exe's time" >&2
fi
out=$(realpath "$2")

payload=$(mktemp -d "${TMPDIR:-/tmp}/lanqi-setup.XXXXXX")
trap 'rm -rf "$payload"' EXIT
lanqi_stage_payload "$root" "$1" "$version" "$payload" "$epoch"
# -V2: warnings and errors only. The setup is written beside its name and moved into place, so a
# failed run never leaves half a setup under the name a build takes as done.
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DPAYLOAD="$payload" \
  -DOUTFILE="$out.partial" "$root/resources/release/setup.nsi"
mv -f "$out.partial" "$out"
