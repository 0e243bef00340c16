#!/usr/bin/env bash
# The test command: sets the machine up, then configures, builds and runs every test suite of the
# four builds: native (AddressSanitizer + UndefinedBehaviorSanitizer), native-tsan
# (ThreadSanitizer), windows (the Windows-side unit tests and the end-to-end tests of the real exe
# under Wine and an Xvfb of its own) and fuzz (the bounded libFuzzer runs). Everything after the
# set-up runs in a network namespace with only loopback. Prints a summary and ends with the line
# "N passed, N failed"; the exit code is non-zero when anything failed. One more check builds the
# exe again from a copy of the sources in another folder and compares the bytes, and then the
# setups made from the two.
#
# The Windows build goes first; its tests spend most of their time waiting on timers and windows,
# so they run in the background, several at once, while the other builds compile at a lower
# priority beside them. Each build's tests run in the background too, while the next build
# compiles; their logs are printed in order at the end.
#
# LANQI_BUILD_ROOT=<folder> puts the build trees there instead of build/<preset>;
# LANQI_PRESETS="native windows" runs only those builds; LANQI_JOBS sets the build parallelism.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=lib/wine.sh
source "$here/lib/wine.sh"

if [[ ${1:-} != --after-setup ]]; then
  "$here/setup.sh" || { echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }
  lanqi_reexec_offline "$here/test.sh" --after-setup
fi

cd "$root" || exit 1
jobs=${LANQI_JOBS:-2}
build_root=${LANQI_BUILD_ROOT:-$root/build}
presets=(${LANQI_PRESETS:-windows native native-tsan fuzz})
# The Windows tests at once: most of them wait on timers, windows and the network.
wine_jobs=${LANQI_WINE_JOBS:-6}
work=$(mktemp -d "${LANQI_TMP_PREFIX:-/tmp/lanqi-test}.XXXXXX")
summary=()
total_passed=0
total_failed=0
steps=()            # the background steps, in the order their logs are printed
declare -A step_pid  # step name -> PID
declare -A step_took # step name -> how long its build took

# Each background step runs in a process group of its own (setsid), so that an interrupted run
# ends the step with everything it started: ctest, the test binaries and their wrappers, which
# end their own prefixes and namespaces on the way out. What is still there after a grace period
# is ended hard.
cleanup() {
  local pid waited=0
  for pid in "${step_pid[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || true; done
  for pid in "${step_pid[@]}"; do
    while kill -0 -- "-$pid" 2>/dev/null && ((waited < 100)); do
      sleep 0.1
      waited=$((waited + 1))
    done
    kill -KILL -- "-$pid" 2>/dev/null || true
  done
  if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then wineserver -k 2>/dev/null || true; fi
  lanqi_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

started=$SECONDS
say() { echo "=== [$((SECONDS - started)) s] $*"; }

# Adds the counts of the ctest log of build $1 (in folder $2) to the totals and the summary;
# $3 tells how long the build and its tests took.
count_ctest() {
  local name=$1 dir=$2 took=$3 log=$work/$1.log
  local line passed=0 failed=0 total
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
  if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=${BASH_REMATCH[1]}
    total=${BASH_REMATCH[2]}
    passed=$((total - failed))
  else
    failed=1  # ctest found no tests or did not finish
  fi
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  local failed_names=""
  if [[ -s $dir/Testing/Temporary/LastTestsFailed.log ]] && ((failed > 0)); then
    failed_names=" ($(cut -d: -f2 "$dir/Testing/Temporary/LastTestsFailed.log" | tr '\n' ' ' | sed 's/ $//'))"
  fi
  summary+=("$(printf '%-12s %4d passed, %4d failed%s  [%s]' "$name" "$passed" "$failed" "$failed_names" "$took")")
}

fail_step() {  # name, what failed
  summary+=("$(printf '%-12s %s' "$1" "$2")")
  total_failed=$((total_failed + 1))
}

# Runs the command after the step's name in the background, in a process group of its own whose
# id is its PID, its output in the step's log.
start_step() {
  local name=$1
  shift
  setsid "$@" >"$work/$name.log" 2>&1 </dev/null &
  step_pid[$name]=$!
  steps+=("$name")
}

# Builds preset $1 in folder $2 (configured already); the remaining arguments go before the
# build command (a lower priority).
build_preset() {
  local name=$1 dir=$2
  shift 2
  local targets=()
  if [[ $name == fuzz ]]; then
    # Only the fuzzers and the libraries they link: nothing else of this build is run.
    mapfile -t targets < <(ninja -C "$dir" -t targets all |
      sed -n 's/^\([A-Za-z0-9_]*_fuzzer\): phony$/\1/p')
    if ((${#targets[@]} == 0)); then
      echo "no fuzz targets"
      return 1
    fi
    targets=(--target "${targets[@]}")
  fi
  "$@" cmake --build "$dir" -j "$jobs" "${targets[@]}"
}

# The Windows unit tests share one fresh prefix and one Xvfb; the end-to-end and network wrappers
# make their own prefix, display and namespace.
start_wine_side() {
  lanqi_wine_env
  lanqi_ensure_template || return 1
  export WINEPREFIX=$work/prefix
  lanqi_copy_template "$WINEPREFIX"
  lanqi_start_xvfb "$work" && lanqi_start_wine_services
}

# Every preset is configured at once: each configure uses one core and mostly waits on files.
say "configure ${presets[*]}"
declare -A configure_pid
for preset in "${presets[@]}"; do
  cmake --preset "$preset" -B "$build_root/$preset" >"$work/$preset.configure.log" 2>&1 &
  configure_pid[$preset]=$!
done
configured=()
for preset in "${presets[@]}"; do
  if wait "${configure_pid[$preset]}"; then
    configured+=("$preset")
  else
    cat "$work/$preset.configure.log"
    fail_step "$preset" "configure FAILED"
  fi
done

for preset in "${configured[@]}"; do
  began=$SECONDS
  dir=$build_root/$preset
  case $preset in
    windows)
      say "$preset: build"
      if ! build_preset "$preset" "$dir"; then
        fail_step "$preset" "build FAILED"
      elif ! start_wine_side; then
        fail_step "$preset" "no Wine prefix or display"
      else
        step_took[$preset]="build $((SECONDS - began)) s"
        say "$preset: tests start in the background, $wine_jobs at once"
        start_step "$preset" ctest --test-dir "$dir" --output-on-failure --no-tests=error \
          -j "$wine_jobs" --timeout 600
        # The exe is built once more from a copy of the sources elsewhere: the same bytes, and
        # the same setup made from it.
        # LANQI_SKIP_REPRODUCIBLE=1 leaves it out (scripts/soak.sh, which reruns the tests).
        [[ ${LANQI_SKIP_REPRODUCIBLE:-0} == 1 ]] || start_step reproducible env LANQI_JOBS="$jobs" nice -n 19 "$here/check_reproducible.sh" \
          "$dir/program/LanqiClockGuard.exe"
      fi
      ;;
    *)
      # Below the Windows tests' priority: they keep their timing while these compile.
      say "$preset: build"
      if build_preset "$preset" "$dir" nice -n 15; then
        step_took[$preset]="build $((SECONDS - began)) s"
        say "$preset: tests start in the background"
        start_step "$preset" nice -n 15 ctest --test-dir "$dir" --output-on-failure \
          --no-tests=error -j "$((jobs + 1))" --timeout 300
      else
        fail_step "$preset" "build FAILED"
      fi
      ;;
  esac
done

for step in "${steps[@]}"; do
  wait "${step_pid[$step]}"
  status=$?
  unset "step_pid[$step]"
  say "$step: output"
  cat "$work/$step.log"
  if [[ $step == reproducible ]]; then
    if ((status == 0)); then
      summary+=("$(printf '%-12s %4d passed, %4d failed' "$step" 1 0)")
      total_passed=$((total_passed + 1))
    else
      fail_step "$step" "the exe differs or did not build"
    fi
  else
    tests_took=$(sed -n 's/^Total Test time (real) = *\([0-9]*\).*/\1/p' "$work/$step.log")
    count_ctest "$step" "$build_root/$step" "${step_took[$step]}, tests ${tests_took:-?} s"
  fi
done

echo
echo "================ summary ($((SECONDS - started)) s) ================"
printf '%s\n' "${summary[@]}"
echo "$total_passed passed, $total_failed failed"
((total_failed == 0))
