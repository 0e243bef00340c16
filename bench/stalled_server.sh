#!/usr/bin/env bash
# What the program holds while its reference server stalls: runs the program under Wine in a fresh
# prefix inside a private network namespace where the reference host is a local stand-in. Its
# first reading is a Date 30 s ahead, so the guard finds the clock wrong every other second, fails
# to set it (Wine never does) and starts a calibration pass each time, as a user without the
# right to set the clock sees it. Then the stand-in accepts connections and never answers, then
# answers one byte every 5 s and never ends its headers, and at last answers with a right Date.
# Prints the program's threads, open descriptors (its sockets and handles on the Linux side), the
# wineserver's descriptors and the private memory once a minute, and whether the last phase
# brought a reading. A benchmark, not a test. Root only.
# Usage: bench/stalled_server.sh <LanqiClockGuard.exe> [minutes per stall=5] [minutes answering=2]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/lib/netns.sh"
enter_netns "$0" "$@"
exe=$(realpath "$1")
stall_minutes=${2:-5}
answer_minutes=${3:-2}

lanqi_wine_in_netns_work
reset_network
mkdir -p "$WORK/app" && cp "$exe" "$WORK/app/"
start_web_server now+30
lanqi_start_wine_services
wine "$WORK/app/$(basename "$exe")" </dev/null >"$WORK/app.out" 2>&1 &
program=$!
# The prefix's own wineserver: the one working in the folder named after the prefix's device and
# inode numbers (other runs on the machine have theirs).
server_folder=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
for pid in $(pgrep -x 'wineserver(64)?'); do
  [[ $(readlink "/proc/$pid/cwd" 2>/dev/null) == */"$server_folder" ]] && wineserver_pid=$pid
done
wait_for_line "$WORK/web.log" "request HEAD /" 120 || { echo "FAIL: no first reading"; exit 1; }
sleep 2
stop_servers
started=$SECONDS

sample() {  # phase
  local threads kib fds
  read -r threads kib fds < <(process_figures "$program")
  printf '%-8s minute %2d: threads=%s fds=%s wineserver_fds=%s rss_anon_kib=%s\n' "$1" \
    $(((SECONDS - started + 30) / 60)) "$threads" "$fds" \
    "$(ls "/proc/$wineserver_pid/fd" 2>/dev/null | wc -l)" "$kib"
}

run_phase() {  # name minutes
  local minute
  for ((minute = 1; minute <= $2; ++minute)); do
    sleep 60
    sample "$1"
  done
}

start_listeners 127.0.0.1:80
run_phase silent "$stall_minutes"
stop_servers
: > "$WORK/trickle.log"
python3 "$LANQI_LIB_DIR/trickle_server.py" 127.0.0.1 80 5 "$WORK/trickle.log" >/dev/null 2>&1 &
PIDS+=($!)
wait_for_line "$WORK/trickle.log" ready 10 || { echo "FAIL: trickle server did not start"; exit 1; }
run_phase trickle "$stall_minutes"
stop_servers
start_web_server now
run_phase answered "$answer_minutes"
echo "connections accepted: silent $(grep -c '^accepted' "$WORK/accepted.log")," \
  "trickle $(grep -c '^accepted' "$WORK/trickle.log")," \
  "answered $(grep -c '^request' "$WORK/web.log")"
kill "$program" 2>/dev/null
