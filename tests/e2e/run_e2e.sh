#!/usr/bin/env bash
# Runs end-to-end scenarios against the real exe under Wine, with nothing shared with other runs
# (several run at once): a fresh prefix copied from the template, an Xvfb of its own, and a
# network namespace with only loopback. The scenarios are those the GoogleTest filter picks (all
# by default); their report is <name>_results.xml in the folder of the test exe. With a waiter it
# ends with a screenshot of the running program there, e2e_screenshot.png. Then it ends every
# process it started and removes the prefix.
# Usage: run_e2e.sh <e2e_tests.exe> <LanqiClockGuard.exe> <lanqi_wait_window.exe|none>
#                   [<filter> <name>]
set -euo pipefail
if (($# != 3 && $# != 5)); then
  echo "usage: $0 <e2e_tests.exe> <LanqiClockGuard.exe> <lanqi_wait_window.exe|none> [<filter> <name>]" >&2
  exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/lib/wine.sh
source "$here/../../scripts/lib/wine.sh"
lanqi_reexec_offline "$here/run_e2e.sh" "$@"

tests_exe=$(realpath "$1")
app_exe=$(realpath "$2")
waiter=$3
[[ $waiter == none ]] || waiter=$(realpath "$waiter")
filter=${4:-*}
name=${5:-e2e}
out=$(dirname "$tests_exe")
work=$(mktemp -d "${LANQI_TMP_PREFIX:-/tmp/lanqi-e2e}.XXXXXX")

cleanup() {
  if [[ -n ${LANQI_PROGRAM_PID:-} ]]; then kill "$LANQI_PROGRAM_PID" 2>/dev/null || true; fi
  if [[ -d $work/prefix ]]; then WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; fi
  lanqi_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

lanqi_wine_env
lanqi_ensure_template
export WINEPREFIX=$work/prefix
lanqi_copy_template "$WINEPREFIX"
# A spare drive letter whose root is an empty folder of this run, for the exe in a drive's root.
mkdir "$work/spare_drive"
ln -s "$work/spare_drive" "$WINEPREFIX/dosdevices/q:"
export LANQI_E2E_SPARE_DRIVE=Q:
lanqi_start_xvfb "$work"
lanqi_start_wine_services
echo "$name: prefix $WINEPREFIX, display $DISPLAY, exe $app_exe, scenarios $filter"

export LANQI_E2E_EXE
LANQI_E2E_EXE=$(lanqi_windows_path "$app_exe")
status=0
# gtest under Wine takes a Windows path for its report.
wine "$tests_exe" --gtest_filter="$filter" \
  --gtest_output="xml:$(lanqi_windows_path "$out")\\${name}_results.xml" || status=$?

# The screenshot shows the program as a person sees it; a missing one does not fail the run.
[[ $waiter == none ]] && exit "$status"
mkdir -p "$WINEPREFIX/drive_c/LanqiClockGuard"
cp "$app_exe" "$WINEPREFIX/drive_c/LanqiClockGuard/"
if lanqi_show_and_screenshot "$WINEPREFIX/drive_c/LanqiClockGuard/$(basename "$app_exe")" \
  "$waiter" "$out/e2e_screenshot.png"; then
  echo "e2e: screenshot $out/e2e_screenshot.png"
else
  echo "e2e: no screenshot taken" >&2
fi
exit "$status"
