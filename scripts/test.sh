#!/usr/bin/env bash
# The test command: sets the machine up, then configures, builds and runs every test suite of the
# four builds: native (AddressSanitizer + UndefinedBehaviorSanitizer), native-tsan
# (ThreadSanitizer), windows (the Windows-side unit tests and the end-to-end tests of the real exe
# under Wine and an Xvfb of its own) and fuzz (the bounded libFuzzer runs). Everything after the
# set-up runs in a network namespace with only loopback. Prints a summary and ends with the line
# "N passed, N failed"; the exit code is non-zero when anything failed. One more check builds the
# exe again from a copy of the sources in another folder and compares the bytes.
#
# The Windows build goes first; its tests spend most of their time waiting on timers and windows,
# so they run in the background, several at once, while the other builds compile at a lower
# priority beside them.
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
wine_ctest_pid=

cleanup() {
  if [[ -n $wine_ctest_pid ]]; then kill "$wine_ctest_pid" 2>/dev/null || true; fi
  if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then wineserver -k 2>/dev/null || true; fi
  lanqi_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

# Adds the counts of the ctest log of build $1 (in folder $2) to the totals and the summary;
# $3 is the time the build and its tests took.
count_ctest() {
  local name=$1 dir=$2 took=$3 log=$work/$1.ctest.log
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

fail_step() {  # name, what failed, time taken
  summary+=("$(printf '%-12s %s  [%s]' "$1" "$2" "$3")")
  total_failed=$((total_failed + 1))
}

# Configures and builds preset $1 in folder $2; the remaining arguments go before the build
# command (a lower priority). Prints why it failed and returns 1.
build_preset() {
  local name=$1 dir=$2
  shift 2
  echo "=== $name: configure and build in $dir"
  if ! cmake --preset "$name" -B "$dir" >"$work/$name.configure.log" 2>&1; then
    cat "$work/$name.configure.log"
    echo "configure FAILED"
    return 1
  fi
  local targets=()
  if [[ $name == fuzz ]]; then
    # Only the fuzzers: the other libraries carry a GB18030 execution charset clang does not offer.
    mapfile -t targets < <(ninja -C "$dir" -t targets all |
      sed -n 's/^\([A-Za-z0-9_]*_fuzzer\): phony$/\1/p')
    if ((${#targets[@]} == 0)); then
      echo "no fuzz targets"
      return 1
    fi
    targets=(--target "${targets[@]}")
  fi
  "$@" cmake --build "$dir" -j "$jobs" "${targets[@]}" || { echo "build FAILED"; return 1; }
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

started=$SECONDS
for preset in "${presets[@]}"; do
  began=$SECONDS
  dir=$build_root/$preset
  case $preset in
    windows)
      if ! build_preset "$preset" "$dir"; then
        fail_step "$preset" "build FAILED" "$((SECONDS - began)) s"
      elif ! start_wine_side; then
        fail_step "$preset" "no Wine prefix or display" "$((SECONDS - began)) s"
      else
        echo "=== $preset: tests start in the background, $wine_jobs at once (log at the end)"
        wine_built=$((SECONDS - began))
        ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$wine_jobs" \
          --timeout 600 >"$work/$preset.ctest.log" 2>&1 </dev/null &
        wine_ctest_pid=$!
      fi
      ;;
    *)
      # Below the Windows tests' priority: they keep their timing while these compile.
      if build_preset "$preset" "$dir" nice -n 15; then
        echo "=== $preset: tests"
        nice -n 15 ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" \
          --timeout 300 2>&1 | tee "$work/$preset.ctest.log"
        count_ctest "$preset" "$dir" "$((SECONDS - began)) s"
      else
        fail_step "$preset" "build FAILED" "$((SECONDS - began)) s"
      fi
      ;;
  esac
done

# The exe built above is built once more from a copy of the sources elsewhere: the same bytes.
exe=$build_root/windows/program/LanqiClockGuard.exe
if [[ " ${presets[*]} " == *" windows "* && -f $exe ]]; then
  began=$SECONDS
  echo "=== reproducible: the exe from another folder"
  if LANQI_JOBS=$jobs nice -n 5 "$here/check_reproducible.sh" "$exe"; then
    summary+=("$(printf '%-12s %4d passed, %4d failed  [%s s]' reproducible 1 0 "$((SECONDS - began))")")
    total_passed=$((total_passed + 1))
  else
    fail_step reproducible "the exe differs or did not build" "$((SECONDS - began)) s"
  fi
fi

if [[ -n $wine_ctest_pid ]]; then
  wait "$wine_ctest_pid"
  wine_ctest_pid=
  echo "=== windows: tests"
  cat "$work/windows.ctest.log"
  wine_took=$(sed -n 's/^Total Test time (real) = *\([0-9]*\).*/\1/p' "$work/windows.ctest.log")
  count_ctest windows "$build_root/windows" "build $wine_built s, tests ${wine_took:-?} s"
fi

echo
echo "================ summary ($((SECONDS - started)) s) ================"
printf '%s\n' "${summary[@]}"
echo "$total_passed passed, $total_failed failed"
((total_failed == 0))
