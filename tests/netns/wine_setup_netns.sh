#!/bin/bash
# The setup under Wine, in a fresh prefix and a private network namespace: a silent install puts
# the exe, README.txt, the uninstaller, the Start-menu shortcut and the "Apps & features" entry in
# place; the installed program keeps its offset file in the install folder; a second silent install
# while it runs ends it, replaces the exe and keeps the offset file and the start-at-logon value;
# the silent uninstall ends the program again and leaves nothing of it, but a start-at-logon value
# that names a copy elsewhere stays.
# Usage: wine_setup_netns.sh LanqiClockGuard-<version>-setup.exe LanqiClockGuard.exe lanqi_wait_window.exe
set -u
source "$(dirname "$0")/../../scripts/lib/netns.sh"
source "$(dirname "$0")/checks.sh"
enter_netns "$0" "$@"
if [ ! -f "$1" ]; then
  echo "FAIL: no setup at $1 (the windows build makes it where makensis is installed: scripts/setup.sh)"
  exit 1
fi
SETUP=$(realpath "$1")
APP=$(realpath "$2")
WAITER=$(realpath "$3")

lanqi_wine_in_netns_work
# The shortcut the setup makes must not become a menu entry on this machine.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
lanqi_start_wine_services
reset_network

DIR="$WINEPREFIX/drive_c/Program Files/LanqiClockGuard"
INSTALLED='C:\Program Files\LanqiClockGuard\LanqiClockGuard.exe'
SHORTCUT="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/岚栖钟卫.lnk"
ENTRY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\LanqiClockGuard'
RUN='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

# reg writes in the console's code page, 936 here.
reg_query() { wine reg query "$@" 2>/dev/null | iconv -f GB18030 -t UTF-8 | tr -d '\r'; }
entry_value() { reg_query "$ENTRY" /v "$1" /reg:64 | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }
run_value() { reg_query "$RUN" /v LanqiClockGuard /reg:32 | sed -n 's/^ *LanqiClockGuard *REG_SZ *//p'; }
no_entry() { ! wine reg query "$ENTRY" /reg:64 >/dev/null 2>&1; }
gone() { ! kill -0 "$1" 2>/dev/null; }
poll() {  # seconds condition...: true once the condition holds, false when the time is up
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.2
  done
}
start_installed() {  # and wait for its window, so that the setup finds it running
  wine "$INSTALLED" > "$WORK/app.out" 2>&1 &
  PROGRAM=$!
  wine "$WAITER" > /dev/null 2>&1
}
offset_is() { [ "$(cat "$DIR/时差.ini" 2>/dev/null)" = "$1" ]; }

echo "scenario: silent install into a fresh prefix"
# Wine runs everything elevated: the prompt Windows shows comes from the setup's manifest.
check "the setup asks for administrator rights" \
  grep -q 'level="requireAdministrator"' <(strings "$SETUP")
began=$SECONDS
wine "$SETUP" /S
check "the setup ends with code 0" [ $? = 0 ]
echo "  install took $((SECONDS - began)) s"
check "the exe is the built one" cmp -s "$APP" "$DIR/LanqiClockGuard.exe"
check "README.txt and the uninstaller are there" [ -s "$DIR/README.txt" -a -s "$DIR/uninstall.exe" ]
check "the all-users Start-menu shortcut points at the exe" \
  grep -qxF "$INSTALLED" <(strings "$SHORTCUT")
check "DisplayName" [ "$(entry_value DisplayName)" = 岚栖钟卫 ]
check "DisplayVersion" grep -qx '[0-9]*\.[0-9]*\.[0-9]*' <<< "$(entry_value DisplayVersion)"
check "Publisher" [ "$(entry_value Publisher)" = 岚栖 ]
check "DisplayIcon" [ "$(entry_value DisplayIcon)" = "\"$INSTALLED\",0" ]
check "InstallLocation" [ "$(entry_value InstallLocation)" = 'C:\Program Files\LanqiClockGuard' ]
check "UninstallString, quoted" \
  [ "$(entry_value UninstallString)" = '"C:\Program Files\LanqiClockGuard\uninstall.exe"' ]
check "QuietUninstallString" \
  [ "$(entry_value QuietUninstallString)" = '"C:\Program Files\LanqiClockGuard\uninstall.exe" /S' ]
size=$(($(entry_value EstimatedSize)))
check "EstimatedSize in KB covers the exe ($size)" [ $((size * 1024)) -ge "$(stat -c %s "$APP")" ]
check "NoModify and NoRepair" [ "$(entry_value NoModify)$(entry_value NoRepair)" = 0x10x1 ]

echo "scenario: the installed program keeps its offset file in the install folder"
start_installed
check "the program's window is up" [ $? = 0 ]
check "时差.ini appears beside the installed exe" poll 60 offset_is 0

echo "scenario: a second silent install while the program runs"
# As the user would have left them: an offset and start at logon, both the program's own.
echo -n -300 > "$DIR/时差.ini"
wine reg add "$RUN" /v LanqiClockGuard /d "\"$INSTALLED\"" /reg:32 /f >/dev/null 2>&1
touch -d 2001-01-01 "$DIR/LanqiClockGuard.exe"
wine "$SETUP" /S
check "the setup ends with code 0" [ $? = 0 ]
check "the running copy was ended" poll 30 gone "$PROGRAM"
check "the exe was written anew" [ "$(stat -c %Y "$DIR/LanqiClockGuard.exe")" != "$(date -d 2001-01-01 +%s)" ]
check "时差.ini kept" offset_is -300
check "the Run value kept" [ "$(run_value)" = "\"$INSTALLED\"" ]

echo "scenario: silent uninstall while the program runs"
start_installed
wine 'C:\Program Files\LanqiClockGuard\uninstall.exe' /S
# The uninstaller returns at once and goes on from a copy of itself in %TEMP%: wait for its work.
check "the Apps & features entry is removed" poll 60 no_entry
check "the program was ended" poll 30 gone "$PROGRAM"
check "no install folder" [ ! -e "$DIR" ]
check "no Run value" [ -z "$(run_value)" ]
check "no shortcut" [ ! -e "$SHORTCUT" ]

echo "scenario: a Run value of a copy elsewhere outlives the uninstall"
wine "$SETUP" /S
wine reg add "$RUN" /v LanqiClockGuard /d '"D:\Tools\LanqiClockGuard.exe"' /reg:32 /f >/dev/null 2>&1
wine 'C:\Program Files\LanqiClockGuard\uninstall.exe' /S
check "the entry is removed" poll 60 no_entry
check "the other copy's Run value stays" [ "$(run_value)" = '"D:\Tools\LanqiClockGuard.exe"' ]

[ "$FAILURES" = 0 ] || sed 's/^/  program: /' "$WORK/app.out"
[ "$FAILURES" = 0 ] && echo "PASS" || echo "FAIL: $FAILURES checks"
[ "$FAILURES" = 0 ]
