#!/usr/bin/env bash
# The test command: sets the machine up, then configures, builds and runs every test suite of the
# four builds: native (AddressSanitizer + UndefinedBehaviorSanitizer), native-tsan
# (ThreadSanitizer), windows (the Windows-side unit tests and the end-to-end tests of the real exe
# under Wine and an Xvfb of its own) and fuzz (the bounded libFuzzer runs). Everything after the
# set-up runs in a network namespace with only loopback. Prints a summary and ends with the line
# "N passed, N failed"; the exit code is non-zero when anything failed.
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
presets=(${LANQI_PRESETS:-native native-tsan windows fuzz})
work=$(mktemp -d "${LANQI_TMP_PREFIX:-/tmp/lanqi-test}.XXXXXX")
summary=()
total_passed=0
total_failed=0

cleanup() {
  if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then wineserver -k 2>/dev/null || true; fi
  lanqi_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

# Runs ctest in $1 with the remaining arguments and adds its counts to the totals.
run_ctest() {
  local name=$1 dir=$2
  shift 2
  local log=$work/$name.ctest.log
  ctest --test-dir "$dir" --output-on-failure --no-tests=error "$@" 2>&1 | tee "$log"
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
  summary+=("$(printf '%-12s %4d passed, %4d failed%s' "$name" "$passed" "$failed" "$failed_names")")
}

# Configures and builds preset $1 in its folder; a failure counts as one failed test.
build_preset() {
  local name=$1 dir=$2
  echo "=== $name: configure and build in $dir"
  if ! cmake --preset "$name" -B "$dir" >"$work/$name.configure.log" 2>&1; then
    cat "$work/$name.configure.log"
    summary+=("$(printf '%-12s configure FAILED' "$name")")
    total_failed=$((total_failed + 1))
    return 1
  fi
  local targets=()
  if [[ $name == fuzz ]]; then
    # Only the fuzzers: the other libraries carry a GB18030 execution charset clang does not offer.
    mapfile -t targets < <(ninja -C "$dir" -t targets all |
      sed -n 's/^\([A-Za-z0-9_]*_fuzzer\): phony$/\1/p')
    if ((${#targets[@]} == 0)); then
      summary+=("$(printf '%-12s no fuzz targets' "$name")")
      total_failed=$((total_failed + 1))
      return 1
    fi
    targets=(--target "${targets[@]}")
  fi
  if ! cmake --build "$dir" -j "$jobs" "${targets[@]}"; then
    summary+=("$(printf '%-12s build FAILED' "$name")")
    total_failed=$((total_failed + 1))
    return 1
  fi
}

# The Windows tests share one fresh prefix and one Xvfb; the end-to-end wrapper makes its own
# prefix and uses this display.
start_wine_side() {
  lanqi_wine_env
  export WINEPREFIX=$work/prefix
  lanqi_copy_template "$WINEPREFIX"
  lanqi_start_xvfb "$work" && lanqi_start_wine_services
}

started=$SECONDS
for preset in "${presets[@]}"; do
  began=$SECONDS
  dir=$build_root/$preset
  if build_preset "$preset" "$dir"; then
    echo "=== $preset: tests"
    case $preset in
      windows)
        if start_wine_side; then
          run_ctest "$preset" "$dir" --timeout 600
        else
          summary+=("$(printf '%-12s no Wine prefix or display' "$preset")")
          total_failed=$((total_failed + 1))
        fi
        ;;
      *)
        run_ctest "$preset" "$dir" -j "$jobs" --timeout 300
        ;;
    esac
  fi
  summary[-1]+="  [$((SECONDS - began)) s]"
done

echo
echo "================ summary ($((SECONDS - started)) s) ================"
printf '%s\n' "${summary[@]}"
echo "$total_passed passed, $total_failed failed"
((total_failed == 0))
