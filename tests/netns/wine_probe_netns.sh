#!/bin/bash
# The namespace scenarios of probe_netns.sh for the Windows build of the driver, under Wine in a
# fresh temporary prefix. Usage: wine_probe_netns.sh DRIVER.exe
set -u
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: needs root to make a private network namespace (unshare --net --mount)"
  exit 77
fi
EXE=$(realpath "$1")
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/lanqi-wine-net.XXXXXX)
export WINEDEBUG=-all,err+module WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
cleanup() {
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
wineboot -i > /dev/null 2>&1
wineserver -w
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f > /dev/null 2>&1
wineserver -w
"$(dirname "$0")/probe_netns.sh" wine "$EXE"
