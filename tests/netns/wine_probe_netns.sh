#!/bin/bash
# The namespace scenarios of probe_netns.sh for the Windows build of the driver, under Wine in a
# fresh temporary prefix copied from the template. Usage: wine_probe_netns.sh DRIVER.exe
set -u
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: needs root to make a private network namespace (unshare --net --mount)"
  exit 77
fi
EXE=$(realpath "$1")
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/lanqi-wine-net.XXXXXX)
source "$(dirname "$0")/../../scripts/lib/wine.sh"
lanqi_wine_env
cleanup() {
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
lanqi_ensure_template || exit 1
lanqi_copy_template "$WINEPREFIX"
"$(dirname "$0")/probe_netns.sh" wine "$EXE"
