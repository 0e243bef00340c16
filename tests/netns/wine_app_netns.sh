#!/bin/bash
# The real program under Wine inside a private network namespace: the public resolvers have no
# route, the reference host maps to 127.0.0.1 where a fake reference server answers with a fixed
# Date, and the program's first calibration must log that time in Beijing time.
# Usage: wine_app_netns.sh LanqiClockGuard.exe log_box_reader.exe
set -u
source "$(dirname "$0")/../../scripts/lib/netns.sh"
source "$(dirname "$0")/checks.sh"
enter_netns "$0" "$@"
APP=$(realpath "$1")
READER=$(realpath "$2")

lanqi_wine_in_netns_work

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
