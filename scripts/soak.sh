#!/usr/bin/env bash
# The test command again and again on a busy machine: a test that fails without a fault shows up
# here before it blocks anyone's landing.
#
#   scripts/soak.sh [--all] [N]
#
# Clones the committed HEAD into a fresh folder, starts two busy processes (one per core), and
# runs the test command there N times in a row (default 10): the Windows side only
# (LANQI_PRESETS=windows), or with --all the whole command. Prints each run's summary line and
# the failed tests, then how many runs were green and which tests failed how often. The check
# that the exe builds to the same bytes is left out: it tells nothing new on a second run, and
# at its low priority beside the busy processes it would take most of each run.
#
# The busy processes run at nice LANQI_SOAK_NICE: 0 by default for the Windows side, so the Wine
# tests share both cores with them evenly; 15 with --all, the priority test.sh gives the builds
# that compile beside the Wine tests (at 0 those builds would get a few per cent of a core).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

presets=windows
if [[ ${1:-} == --all ]]; then
  presets="windows native native-tsan fuzz"
  shift
fi
runs=${1:-10}
[[ $runs =~ ^[0-9]+$ ]] || { echo "usage: $0 [--all] [N]" >&2; exit 2; }
if [[ $presets == windows ]]; then busy_nice=${LANQI_SOAK_NICE:-0}; else busy_nice=${LANQI_SOAK_NICE:-15}; fi

work=$(mktemp -d /tmp/lanqi-soak.XXXXXX)
busy=()
cleanup() {
  local pid
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

git clone -q "$root" "$work/clone" || exit 1
echo "soak: $(git -C "$work/clone" log -1 --format='%h %s'), presets: $presets, $runs runs," \
  "two busy processes at nice $busy_nice"
for _ in 1 2; do
  nice -n "$busy_nice" bash -c 'while :; do :; done' &
  busy+=($!)
done

green=0
declare -A failures  # test name -> how many runs it failed in
for ((run = 1; run <= runs; run++)); do
  log=$work/run-$run.log
  began=$SECONDS
  LANQI_PRESETS=$presets LANQI_TMP_PREFIX=$work/test LANQI_SKIP_REPRODUCIBLE=1 \
    "$work/clone/scripts/test.sh" >"$log" 2>&1
  status=$?
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -n1)
  # The test cases that failed inside the test binaries, and the ctest entries they belong to.
  names=$(grep -E '^\[  FAILED  \] [A-Za-z0-9_/.]+' "$log" | grep -v ' listed below' |
    awk '{print $4}' | sort -u)
  entries=$(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([A-Za-z0-9_]*\) .*\*\*\*.*$/\1/p' "$log" |
    sort -u)
  if ((status == 0)); then
    green=$((green + 1))
    echo "run $run: green, ${line:-no summary} ($((SECONDS - began)) s)"
  else
    echo "run $run: RED, ${line:-no summary} ($((SECONDS - began)) s)"
    for name in $entries $names; do
      echo "    failed: $name"
      failures[$name]=$((${failures[$name]:-0} + 1))
    done
    cp "$log" "/tmp/lanqi-soak-failed-run-$run.log"
    echo "    log kept in /tmp/lanqi-soak-failed-run-$run.log"
  fi
done

echo "soak: $green of $runs runs green"
for name in "${!failures[@]}"; do echo "    $name failed in ${failures[$name]} runs"; done
((green == runs))
