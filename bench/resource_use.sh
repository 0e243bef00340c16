#!/usr/bin/env bash
# What the running program uses over time under Wine: threads, handles, private memory and CPU
# time after 1 minute and after 10 minutes (nothing may grow), with the guard running once a
# second against a local reference server in a private network namespace. Root only.
# Usage: bench/resource_use.sh <LanqiClockGuard.exe> <process_figures.exe> [minutes=10]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/lib/netns.sh"
enter_netns "$0" "$@"
app=$(realpath "$1")
figures=$(realpath "$2")
minutes=${3:-10}

lanqi_wine_in_netns_work
reset_network
start_web_server now
mkdir -p "$WORK/app" && cp "$app" "$WORK/app/"
wine "$WORK/app/$(basename "$app")" >/dev/null 2>&1 &
program=$!

sample() {
  local windows linux_threads rss_anon
  windows=$(wine "$figures" | tr -d '\r')
  linux_threads=$(awk '/^Threads:/ {print $2}' "/proc/$program/status" 2>/dev/null)
  rss_anon=$(awk '/^RssAnon:/ {print $2}' "/proc/$program/status" 2>/dev/null)
  # Wine 8 answers 0 for the handle count and the private bytes; the Linux side of the same
  # process shows its private memory and its open descriptors.
  fds=$(ls "/proc/$program/fd" 2>/dev/null | wc -l)
  # CPU time of the whole process, ended worker threads included (Wine's GetProcessTimes counts
  # only the threads still alive).
  cpu=$(awk -v hz="$(getconf CLK_TCK)" '{ print int(($14 + $15) * 1000 / hz) }' "/proc/$program/stat")
  echo "$1 $windows linux_threads=$linux_threads linux_rss_anon_kib=$rss_anon linux_fds=$fds linux_cpu_ms=$cpu"
}
sleep 60
first=$(sample "after_1_min")
echo "$first"
sleep $(((minutes - 1) * 60))
last=$(sample "after_${minutes}_min")
echo "$last"
cpu() { sed -n 's/.*linux_cpu_ms=\([0-9]*\).*/\1/p' <<<"$1"; }
echo "cpu_ms_per_minute_from_1_to_${minutes}_min=$((($(cpu "$last") - $(cpu "$first")) / (minutes - 1)))"
kill "$program" 2>/dev/null
