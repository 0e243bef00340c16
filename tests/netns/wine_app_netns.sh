#!/bin/bash
# The real program under Wine inside a private network namespace: the public resolvers have no
# route, the reference host maps to 127.0.0.1 where a fake reference server answers with a fixed
# Date, and the program's first calibration must log that time in Beijing time.
# Usage: wine_app_netns.sh LanqiClockGuard.exe log_box_reader.exe
set -u
source "$(dirname "$0")/netns_lib.sh"
enter_netns "$0" "$@"
APP=$(realpath "$1")
READER=$(realpath "$2")

export WINEPREFIX="$WORK/prefix"
export WINEDEBUG=-all,err+module WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# Our own X server on a display number it picks itself.
: > "$WORK/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$WORK/display" > /dev/null 2>&1 &
XVFB_PID=$!  # kept apart from PIDS, which every reset_network ends
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$WORK/display")"
stop_wine() {
  wineserver -k 2>/dev/null
  kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
}
trap 'stop_wine; cleanup_netns' EXIT

wineboot -i > /dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f > /dev/null 2>&1
wineserver -w

reset_network
start_web_server "Wed, 31 Dec 2025 20:30:05 GMT"
mkdir -p "$WORK/app"
cp "$APP" "$WORK/app/"  # a fresh folder: no 时差.ini yet
wine "$WORK/app/$(basename "$APP")" > "$WORK/app.out" 2>&1 &

echo "scenario: the program's first calibration reads the fake reference server"
log=$(wine "$READER" "已校准网络时间" 60 | tr -d '\r')
echo "$log" | sed 's/^/  log: /'
check "calibrated from the Date header, in Beijing time" grep -q "已校准网络时间：2026年1月1日4时30分5秒" <<< "$log"
check "the server saw HEAD /" grep -qx "request HEAD /" "$WORK/web.log"
[ "$FAILURES" = 0 ] || sed 's/^/  program: /' "$WORK/app.out"

[ "$FAILURES" = 0 ] && echo "PASS" || echo "FAIL: $FAILURES checks"
[ "$FAILURES" = 0 ]
