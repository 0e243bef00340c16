#!/usr/bin/env bash
# Where the program's time at rest goes, as wineserver requests: runs the program under Wine in a
# fresh prefix inside a private network namespace (reference host served locally, as in
# steady_cpu.sh), lets it reach its steady state, then records every request made to the prefix's
# wineserver (its own trace, -d1; the prefix's idle system processes add a little) for a number of
# seconds and prints the requests per second, busiest first. A benchmark aid, not a test. Root
# only.
# Usage: bench/steady_requests.sh <exe> [seconds=30] [warm-up seconds=30]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/lib/netns.sh"
enter_netns "$0" "$@"
exe=$(realpath "$1")
seconds=${2:-30}
warmup=${3:-30}

lanqi_wine_in_netns_work
wineserver -f -p -d1 </dev/null >/dev/null 2>"$WORK/trace" &
sleep 1
wine wineboot </dev/null >/dev/null 2>&1
reset_network
start_web_server now
mkdir -p "$WORK/run" && cp "$exe" "$WORK/run/"
wine "$WORK/run/$(basename "$exe")" </dev/null >/dev/null 2>&1 &
program=$!
sleep "$warmup"
start_line=$(wc -l <"$WORK/trace")
sleep "$seconds"
end_line=$(wc -l <"$WORK/trace")
kill "$program" 2>/dev/null
[[ -n ${LANQI_KEEP_TRACE:-} ]] && cp "$WORK/trace" "$LANQI_KEEP_TRACE"
grep -qx "request HEAD /" "$WORK/web.log" || echo "warning: the program has not fetched the time" >&2

# A request is traced as "0124: get_message( ... )" and its reply as "0124: get_message() = 0 ...";
# only the requests are counted.
sed -n "$((start_line + 1)),${end_line}p" "$WORK/trace" | grep -v ') = ' |
  sed -n 's/^\([0-9a-f]*\): \([a-z_]*\)(.*/\2/p' |
  sort | uniq -c | sort -rn |
  awk -v s="$seconds" '{ printf "%8.1f/s %s\n", $1 / s, $2; total += $1 }
    END { printf "%8.1f/s all requests\n", total / s }'
