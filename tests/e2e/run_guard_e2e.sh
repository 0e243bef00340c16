#!/usr/bin/env bash
# Runs the whole program against a local stand-in of the reference web server, inside private
# network and mount namespaces: the reference host maps to 127.0.0.1, the public resolvers have
# no route, and no packet leaves the machine. Each group of scenarios runs with the server in the
# state it needs: answering this machine's time, answering an hour ahead, or not there at all.
# Usage: run_guard_e2e.sh <guard_e2e_tests.exe> <LanqiClockGuard.exe>
set -u
if (($# != 2)); then
  echo "usage: $0 <guard_e2e_tests.exe> <LanqiClockGuard.exe>" >&2
  exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../netns/netns_lib.sh"
source "$here/../../scripts/lib/wine.sh"
enter_netns "$0" "$@"

tests_exe=$(realpath "$1")
app_exe=$(realpath "$2")

lanqi_wine_in_netns_work

export LANQI_E2E_EXE
LANQI_E2E_EXE=$(lanqi_windows_path "$app_exe")
status=0
run_group() {  # server state, then the scenarios it serves
  local state=$1 filter=$2
  reset_network
  if [[ $state != none ]]; then start_web_server "$state"; fi
  echo "guard e2e: server '$state': $filter"
  LANQI_E2E_SERVER=$state wine "$tests_exe" --gtest_filter="$filter" || status=1
  wineserver -w 2>/dev/null
}
run_group now 'GuardE2E.AgreeingServer*:GuardE2E.GreetingBalloon*:GuardE2E.SecondStart*'
run_group now+3600 'GuardE2E.ServerAnHourAhead*'
run_group none 'GuardE2E.UnreachableNetwork*'
exit $status
