#!/usr/bin/env bash
# CPU time of the program at rest against a bare window with a one-second timer, both under Wine
# side by side, each in a fresh prefix of its own (own wineserver), inside a private network
# namespace where the reference host is a local fake server: the program calibrates once and then
# sits in its steady state (clock display refreshed and guard run every second). After the
# warm-up, utime+stime of each program's process and of its prefix's wineserver are sampled every
# interval; the figures are CPU seconds per minute, medians over the intervals. A benchmark, not a
# test. Root only.
# Usage: bench/steady_cpu.sh <LanqiClockGuard.exe> <bare_timer_window.exe> [minutes=10]
#        [warm-up seconds=60] [interval seconds=60]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/lib/netns.sh"
enter_netns "$0" "$@"
app=$(realpath "$1")
bare=$(realpath "$2")
minutes=${3:-10}
warmup=${4:-60}
interval=${5:-60}
hz=$(getconf CLK_TCK)

lanqi_wine_env
# Beijing's time zone: the fake server's "now" agrees with the local clock, so the guard finds the
# clock right every second and never repairs it.
export TZ=Asia/Shanghai
lanqi_ensure_template || exit 1
lanqi_start_xvfb "$WORK" || exit 1

declare -A prefix_of program_pid server_pid
stop_all() {
  local name
  for name in "${!prefix_of[@]}"; do WINEPREFIX=${prefix_of[$name]} wineserver -k 2>/dev/null; done
  lanqi_stop_xvfb
  cleanup_netns
}
trap stop_all EXIT

# The wineserver of a prefix: the one working in the server folder named after the prefix's
# device and inode numbers.
find_wineserver() {
  local folder pid
  folder=$(printf 'server-%x-%x' "$(stat -c %d "$1")" "$(stat -c %i "$1")")
  for pid in $(pgrep -x 'wineserver(64)?'); do
    [[ $(readlink "/proc/$pid/cwd" 2>/dev/null) == */"$folder" ]] && echo "$pid" && return 0
  done
  return 1
}

# Starts EXE in a fresh prefix of its own called NAME and records its pids.
start_in_own_prefix() {
  local name=$1 exe=$2
  prefix_of[$name]=$WORK/prefix-$name
  lanqi_copy_template "${prefix_of[$name]}"
  mkdir -p "$WORK/run-$name"
  cp "$exe" "$WORK/run-$name/"
  (
    export WINEPREFIX=${prefix_of[$name]}
    lanqi_start_wine_services
  )
  WINEPREFIX=${prefix_of[$name]} wine "$WORK/run-$name/$(basename "$exe")" </dev/null \
    >"$WORK/$name.out" 2>&1 &
  program_pid[$name]=$!
  server_pid[$name]=$(find_wineserver "${prefix_of[$name]}") || {
    echo "no wineserver found for the $name prefix" >&2
    exit 1
  }
}

reset_network
start_web_server now
start_in_own_prefix program "$app"
start_in_own_prefix bare "$bare"
echo "program pid ${program_pid[program]} (wineserver ${server_pid[program]}), bare window pid" \
  "${program_pid[bare]} (wineserver ${server_pid[bare]})"

sleep "$warmup"
grep -qx "request HEAD /" "$WORK/web.log" ||
  echo "warning: the program has not fetched the time yet; it may not be in its steady state" >&2

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# CPU ticks of a program's process plus its wineserver.
ticks_of() { echo $(($(ticks "${program_pid[$1]}") + $(ticks "${server_pid[$1]}"))); }
per_minute() { awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.3f", t / hz * 60 / s }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

samples=$((minutes * 60 / interval))
((samples < 1)) && samples=1
first_program=$(ticks_of program) first_bare=$(ticks_of bare)
last_program=$first_program last_bare=$first_bare
program_rates=() bare_rates=() ratios=()
for i in $(seq "$samples"); do
  sleep "$interval"
  now_program=$(ticks_of program) now_bare=$(ticks_of bare)
  p=$(per_minute $((now_program - last_program)) "$interval")
  b=$(per_minute $((now_bare - last_bare)) "$interval")
  r=$(awk -v p="$p" -v b="$b" 'BEGIN { if (b > 0) printf "%.2f", p / b; else print "inf" }')
  echo "interval $i: program $p s/min, bare window $b s/min, ratio $r"
  program_rates+=("$p") bare_rates+=("$b") ratios+=("$r")
  last_program=$now_program last_bare=$now_bare
done

for name in program bare; do
  kill -0 "${program_pid[$name]}" 2>/dev/null || echo "warning: the $name ended during the run" >&2
done
seconds=$((samples * interval))
total_program=$(per_minute $((last_program - first_program)) "$seconds")
total_bare=$(per_minute $((last_bare - first_bare)) "$seconds")
echo "over ${seconds} s after ${warmup} s of warm-up (process + its wineserver, CPU s per minute):"
echo "  median program=$(printf '%s\n' "${program_rates[@]}" | median)" \
  "bare=$(printf '%s\n' "${bare_rates[@]}" | median)" \
  "ratio=$(printf '%s\n' "${ratios[@]}" | median)"
echo "  whole run program=$total_program bare=$total_bare ratio=$(awk -v p="$total_program" \
  -v b="$total_bare" 'BEGIN { if (b > 0) printf "%.2f", p / b; else print "inf" }')"
kill "${program_pid[program]}" "${program_pid[bare]}" 2>/dev/null
