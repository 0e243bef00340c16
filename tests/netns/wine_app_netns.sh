#!/bin/bash
# The real program under Wine inside a private network namespace: the public resolvers have no
# route, the reference host maps to 127.0.0.1 where a fake reference server answers with a fixed
# Date, and the program's first calibration must log that time in Beijing time. Then a fresh start
# against a stand-in that accepts and never answers: the request ends at its bound, the passes
# that follow hold little, and once the server answers the next reading is taken.
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
program=$!

echo "scenario: the program's first calibration reads the fake reference server"
log=$(wine "$READER" "已校准网络时间" 60 | tr -d '\r')
echo "$log" | sed 's/^/  log: /'
check "calibrated from the Date header, in Beijing time" grep -q "已校准网络时间：2026年1月1日4时30分5秒" <<< "$log"
check "the server saw HEAD /" grep -qx "request HEAD /" "$WORK/web.log"
[ "$FAILURES" = 0 ] || sed 's/^/  program: /' "$WORK/app.out"

echo "scenario: a server that accepts and never answers holds nothing for long"
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null
reset_network
start_listeners 127.0.0.1:80
mkdir -p "$WORK/stalled"
cp "$APP" "$WORK/stalled/"
wine "$WORK/stalled/$(basename "$APP")" > "$WORK/stalled.out" 2>&1 &
program=$!
# Threads and private memory (KiB) once a second, as "SECONDS THREADS KIB", while it runs.
(while [ -e "/proc/$program" ] && sleep 1; do echo "$SECONDS $(process_figures "$program")"; done \
  > "$WORK/figures") &
sampler=$!
started=$SECONDS
# The first request is cut off at its bound (60 s) and its pass rejects the reading. Then the
# server answers again: a retry's request still waiting on it ends as its connection goes, and
# the next pass takes the reading.
log=$(wine "$READER" "发现网络时间异常" 90 | tr -d '\r')
check "the first request ended within its bound" grep -q "发现网络时间异常" <<< "$log"
reset_network
start_web_server now
log=$(wine "$READER" "已校准网络时间" 30 | tr -d '\r')
check "once the server answers, the next reading is taken" grep -q "已校准网络时间" <<< "$log"
read -r threads kib < <(awk '{ t = $2 > t ? $2 : t; m = $3 > m ? $3 : m } END { print t, m }' \
  "$WORK/figures")
minute_kib=$(awk -v s="$started" '$1 - s >= 60 { print $3; exit }' "$WORK/figures")
echo "  at most $threads threads and $kib KiB; $minute_kib KiB at the first minute"
check "threads stayed at most 40" test "$threads" -le 40
check "memory stayed at most twice its first minute's" test "$kib" -le $((2 * ${minute_kib:-0}))
# With the reading in, the passes end and the threads come back to those of a program at rest
# (6 to 8 under Wine 8), with room for an idle pool thread or two.
came_down() {
  until [ "$(process_figures "$program" | cut -d' ' -f1)" -le 10 ] 2>/dev/null; do
    [ $SECONDS -lt $(($1 + 30)) ] || return 1
    sleep 1
  done
}
check "the threads came back down" came_down $SECONDS
kill "$sampler" 2>/dev/null

[ "$FAILURES" = 0 ] && echo "PASS" || echo "FAIL: $FAILURES checks"
[ "$FAILURES" = 0 ]
