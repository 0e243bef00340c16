#!/usr/bin/env bash
# The run command: sets the machine up, builds the Windows exe and runs it under Wine. With no
# usable display it starts an Xvfb of its own (with Wine's virtual desktop, so the window has its
# frame and the taskbar shows the tray), waits until the window is up, saves a screenshot to
# build/screenshot.png and ends the program again. With a display it leaves the program running
# until you end it (Ctrl+C). The program's own Wine prefix is build/wine-run; 时差.ini lives
# beside the exe in it, at build/wine-run/drive_c/LanqiClockGuard/.
#
# By default the program runs in a network namespace with only loopback, so a trial run on a build
# machine sends nothing out and shows what it does without network; --online lets it reach the
# reference server as it does on a user's PC. LANQI_BUILD_ROOT=<folder> puts the build tree there
# instead of build/.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=lib/wine.sh
source "$here/lib/wine.sh"

offline=true
after_setup=false
for argument in "$@"; do
  case $argument in
    --offline) offline=true ;;
    --online) offline=false ;;
    --after-setup) after_setup=true ;;
    *) echo "usage: $0 [--online]" >&2; exit 2 ;;
  esac
done

if ! $after_setup; then
  "$here/setup.sh"
  if $offline; then lanqi_reexec_offline "$here/run.sh" --offline --after-setup; fi
fi

build_root=${LANQI_BUILD_ROOT:-$root/build}
dir=$build_root/windows
cmake --preset windows -B "$dir" >/dev/null
cmake --build "$dir" -j "${LANQI_JOBS:-2}" --target LanqiClockGuard lanqi_wait_window

lanqi_wine_env
export WINEPREFIX=$build_root/wine-run
own_display=false
work=$(mktemp -d "${LANQI_TMP_PREFIX:-/tmp/lanqi-run}.XXXXXX")
cleanup() {
  if [[ -n ${LANQI_PROGRAM_PID:-} ]]; then kill "$LANQI_PROGRAM_PID" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  lanqi_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  lanqi_ensure_template
  lanqi_copy_template "$WINEPREFIX"
fi
if ! lanqi_display_usable; then
  own_display=true
  lanqi_start_xvfb "$work"
fi
# With our own X server there is no window manager: Wine's virtual desktop draws the frames.
if $own_display; then
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
else
  wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
fi
# The desktop setting takes effect when the prefix's server starts anew.
wineserver -k 2>/dev/null || true
wineserver -w
lanqi_start_wine_services

install_dir=$WINEPREFIX/drive_c/LanqiClockGuard
mkdir -p "$install_dir"
cp "$dir/program/LanqiClockGuard.exe" "$install_dir/"
shot=$build_root/screenshot.png
lanqi_show_and_screenshot "$install_dir/LanqiClockGuard.exe" "$dir/tests/e2e/lanqi_wait_window.exe" "$shot"
echo "screenshot: $shot (the window alone: ${shot%.png}-window.png)"

if $own_display; then
  echo "the program ran on a display of its own; it has been ended again"
else
  echo "LanqiClockGuard.exe is running on $DISPLAY; its close box hides it into the tray."
  echo "Press Ctrl+C here to end it."
  wait "$LANQI_PROGRAM_PID" || true
fi
