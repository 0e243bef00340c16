#!/bin/bash
# Figures for the network time source, measured inside a private network namespace against local
# listeners and a local fake reference server (root only):
#   - the probe's answer time when the first target accepts, and when nothing answers;
#   - one full probe + fetch against the loopback server;
#   - htpdate -q -p 1 querying the same server, for comparison.
# Usage: bench/net_bench.sh [RUNNER...] DRIVER   e.g. build/native/tests/netns/net_probe_driver
#        or: bench/net_bench.sh wine build/windows/tests/netns/net_probe_driver.exe (WINEPREFIX set)
set -u
source "$(dirname "$0")/../scripts/lib/netns.sh"
enter_netns "$0" "$@"
RUN=("$@")
FAST_RUNS=${LANQI_BENCH_RUNS:-40}
SLOW_RUNS=${LANQI_BENCH_SLOW_RUNS:-3}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
times_of() { tr -d '\r' | grep "^$1 " | sed -n 's/.* ms=\([0-9.]*\).*/\1/p'; }
report() { printf "%-58s median %8s ms  (n=%s)\n" "$1" "$2" "$3"; }

reset_network
add_address "$FIRST_RESOLVER"
start_listeners "$FIRST_RESOLVER:53"
start_web_server now
probe_first=$("${RUN[@]}" probe "$FAST_RUNS" | times_of probe | median)
report "probe, first target accepts" "$probe_first" "$FAST_RUNS"
both_first=$("${RUN[@]}" probe-fetch "$FAST_RUNS" | times_of probe-fetch | median)
report "probe + fetch, first target accepts" "$both_first" "$FAST_RUNS"

reset_network
start_web_server now
both_web=$("${RUN[@]}" probe-fetch "$SLOW_RUNS" | times_of probe-fetch | median)
report "probe + fetch, only the web server reachable" "$both_web" "$SLOW_RUNS"
htpdate_ms=$(for _ in $(seq "$SLOW_RUNS"); do
  start=$(date +%s%N)
  htpdate -q -p 1 "$WEB_HOST" > /dev/null 2>&1
  echo $(( ($(date +%s%N) - start) / 1000000 ))
done | median)
report "htpdate -q -p 1, same server" "$htpdate_ms" "$SLOW_RUNS"

reset_network
probe_none=$("${RUN[@]}" probe "$SLOW_RUNS" | times_of probe | median)
report "probe, nothing answers" "$probe_none" "$SLOW_RUNS"

awk -v a="$both_first" -v b="$both_web" -v h="$htpdate_ms" 'BEGIN {
  printf "ratio htpdate / (probe + fetch, first target accepts): %.1f\n", h / a
  printf "ratio htpdate / (probe + fetch, only the web server):  %.2f\n", h / b
}'
