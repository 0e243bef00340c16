#!/usr/bin/env bash
# Runs the whole program against a local stand-in of the reference web server, inside private
# network and mount namespaces: the reference host maps to 127.0.0.1, the public resolvers have
# no route, and no packet leaves the machine. Each group of scenarios runs with the server in the
# state it needs: answering this machine's time (now), answering an hour ahead (ahead), not there
# at all (none), or answering this machine's time but holding its first answer until the program
# is stopped (held). One group per run, so that they can run at once.
# Usage: run_guard_e2e.sh <guard_e2e_tests.exe> <LanqiClockGuard.exe> <now|ahead|none|held>
set -u
if (($# != 3)); then
  echo "usage: $0 <guard_e2e_tests.exe> <LanqiClockGuard.exe> <now|ahead|none|held>" >&2
  exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/lib/netns.sh"
enter_netns "$0" "$@"

tests_exe=$(realpath "$1")
app_exe=$(realpath "$2")

lanqi_wine_in_netns_work

export LANQI_E2E_EXE
LANQI_E2E_EXE=$(lanqi_windows_path "$app_exe")

# The pause service: a scenario writes NAME.request ("SECONDS MARKER") into the pause folder; the
# service stops every process whose command line holds MARKER (the program's Wine process, found
# by the name of its scenario folder) with SIGSTOP, lets it go on with SIGCONT after SECONDS, as
# a machine waking from sleep, and answers with NAME.resumed ("resumed", or "none" when no
# process matched). While the process is stopped, NAME.stopped exists (the held server sends its
# answer then). Ended with the servers; a process it stopped is let go on first.
pause_dir=$WORK/pause
mkdir -p "$pause_dir"
export LANQI_E2E_PAUSE_DIR
LANQI_E2E_PAUSE_DIR=$(lanqi_windows_path "$pause_dir")
pause_service() {
  local stopped=() request name seconds marker file pid command
  trap '((${#stopped[@]})) && kill -CONT "${stopped[@]}" 2>/dev/null; exit 0' TERM
  while :; do
    for request in "$pause_dir"/*.request; do
      [[ -e $request ]] || continue
      name=$(basename "$request" .request)
      read -r seconds marker <"$request"
      rm -f "$request"
      stopped=()
      for file in /proc/[0-9]*/cmdline; do
        pid=${file#/proc/}
        pid=${pid%/cmdline}
        [[ $pid == "$BASHPID" ]] && continue
        command=$(tr '\0' ' ' <"$file" 2>/dev/null)
        [[ $command == *"$marker"* ]] && stopped+=("$pid")
      done
      if ((${#stopped[@]} == 0)); then
        echo none >"$pause_dir/$name.resumed"
        continue
      fi
      echo "guard e2e: stopping ${stopped[*]} for ${seconds}s"
      kill -STOP "${stopped[@]}"
      : >"$pause_dir/$name.stopped"
      sleep "$seconds" &
      wait $!
      rm -f "$pause_dir/$name.stopped"
      kill -CONT "${stopped[@]}"
      stopped=()
      echo resumed >"$pause_dir/$name.resumed"
    done
    sleep 0.1
  done
}

status=0
export LANQI_E2E_WEB_LOG
run_group() {  # server state, the scenarios it serves, then optionally the server's hold folder
  local state=$1 filter=$2 hold=${3:-}
  reset_network
  if [[ $state != none ]]; then start_web_server "$state" "$hold"; fi
  LANQI_E2E_WEB_LOG=$(lanqi_windows_path "$WORK/web.log")
  pause_service &
  PIDS+=($!)
  echo "guard e2e: server '$state': $filter"
  local told=$state
  [[ -n $hold ]] && told=held
  LANQI_E2E_SERVER=$told wine "$tests_exe" --gtest_filter="$filter" || status=1
  wineserver -w 2>/dev/null
}
case $3 in
  now) run_group now 'GuardE2E.AgreeingServer*:GuardE2E.GreetingBalloon*:GuardE2E.SecondStart*:GuardE2E.Stopped*' ;;
  ahead) run_group now+3600 'GuardE2E.ServerAnHourAhead*' ;;
  none) run_group none 'GuardE2E.UnreachableNetwork*' ;;
  held) run_group now 'GuardE2E.HeldAnswer*' "$pause_dir" ;;
  *) echo "unknown server state: $3" >&2; exit 2 ;;
esac
exit $status
