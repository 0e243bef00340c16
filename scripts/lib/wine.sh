# Shared by scripts/run.sh, scripts/test.sh, bench/ and the Wine wrappers of tests/ (sourced, not
# run): the Wine environment, the prefix template, displays, network isolation and screenshots.
# Every process started here is remembered by its PID and ended by it.

# The environment every Wine run of ours uses: loader errors visible, no Mono/Gecko prompts,
# code page 936 as the ANSI code page.
lanqi_wine_env() {
  export WINEDEBUG=-all,err+module
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
}

lanqi_template_dir() {
  if [[ -n ${LANQI_WINE_TEMPLATE:-} ]]; then
    echo "$LANQI_WINE_TEMPLATE"
  elif [[ -w /var/cache ]]; then
    echo /var/cache/lanqi-wine-template
  else
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/lanqi-wine-template"
  fi
}

# Makes the template prefix once (wineboot takes 10-20 s) and again when Wine changes; copies of
# it take about 2 s. Safe when two runs ask at once.
lanqi_ensure_template() {
  local dir version
  dir=$(lanqi_template_dir)
  version=$(wine --version 2>/dev/null)
  mkdir -p "$(dirname "$dir")"
  (
    flock 9
    if [[ -f $dir/.lanqi-stamp && $(cat "$dir/.lanqi-stamp") == "$version" ]]; then exit 0; fi
    local work
    work=$(mktemp -d "$dir.new.XXXXXX")
    (
      lanqi_wine_env
      export WINEPREFIX=$work
      wineboot -i
      # A crash must end the process with its code, not wait for a click on a dialog.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
      wineserver -w
    ) >"$work.log" 2>&1 || { cat "$work.log" >&2; rm -rf "$work" "$work.log"; exit 1; }
    rm -f "$work.log"
    echo "$version" >"$work/.lanqi-stamp"
    rm -rf "$dir"
    mv -T "$work" "$dir"
  ) 9>"$dir.lock"
}

# Fills the (new, empty or absent) folder $1 with a copy of the template.
lanqi_copy_template() {
  mkdir -p "$1"
  cp -a "$(lanqi_template_dir)/." "$1/"
}

# The Windows path of a Linux file, through Wine's Z: drive.
lanqi_windows_path() {
  local path
  path=$(realpath "$1")
  echo "Z:${path//\//\\}"
}

# Starts the prefix's server (kept until "wineserver -k") and its system processes with no
# terminal or pipe attached. Wine's helper processes inherit the standard handles of whichever
# run starts them; started here, they never hold the pipe of a later run's output open.
lanqi_start_wine_services() {
  wineserver -p </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
}

lanqi_display_usable() {
  [[ -n ${DISPLAY:-} ]] && timeout 20 xdpyinfo >/dev/null 2>&1
}

# Starts an Xvfb of our own on a free display number it picks itself; sets DISPLAY and
# LANQI_XVFB_PID. $1: a folder for its log and display number.
lanqi_start_xvfb() {
  local folder=$1 lock started=1
  : >"$folder/xvfb.display"
  # One start at a time on this machine, until the server is ready. A server in a network
  # namespace of its own sees no other's abstract socket, so each such server takes display :0,
  # and each compiles its keymap into the same /var/lib/xkb/server-0.xkm: two starting at once read
  # each other's half-written file and one ends with "XKB: Failed to compile keymap".
  { exec {lock}>>/tmp/lanqi-xvfb-start.lock; } 2>/dev/null || exec {lock}>/dev/null
  flock "$lock"
  # -noreset: the server stays as it is between clients instead of resetting when the last one
  # leaves, so a run that comes between two Wine sessions finds it ready. It gets no copy of the
  # lock's descriptor, which would hold the lock for as long as it runs.
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$folder/xvfb.display" \
    {lock}>&- >"$folder/xvfb.log" 2>&1 &
  LANQI_XVFB_PID=$!
  local waited=0
  while [[ ! -s $folder/xvfb.display ]]; do
    if ! kill -0 "$LANQI_XVFB_PID" 2>/dev/null || ((waited >= 300)); then
      echo "Xvfb did not start:" >&2
      cat "$folder/xvfb.log" >&2
      started=0
      break
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  exec {lock}>&-
  ((started)) || return 1
  export DISPLAY=":$(head -n1 "$folder/xvfb.display")"
}

lanqi_stop_xvfb() {
  if [[ -n ${LANQI_XVFB_PID:-} ]]; then
    kill "$LANQI_XVFB_PID" 2>/dev/null || true
    wait "$LANQI_XVFB_PID" 2>/dev/null || true
    LANQI_XVFB_PID=
  fi
}

# Re-runs the calling script ($1, with its arguments after it) inside a network namespace of its
# own with only loopback, so that nothing it starts can reach a server on the internet. Where
# namespaces are not allowed (not root, or a container without the right), it stops: the program
# would otherwise probe and query public servers from this machine.
lanqi_reexec_offline() {
  [[ -n ${LANQI_OFFLINE:-} ]] && return 0
  if unshare --net true 2>/dev/null; then
    export LANQI_OFFLINE=1
    exec unshare --net -- bash -c 'ip link set lo up 2>/dev/null; exec "$@"' lanqi-offline "$@"
  fi
  echo "cannot make a network namespace here (run as root); not starting the program with the host network" >&2
  exit 1
}

# Shows the program the way a person would see it, once its window is up with its clock lines,
# saves a screenshot of the whole screen to $3 and one cut to the window beside it (*-window.png).
# $1: the exe (already where it should run), $2: lanqi_wait_window.exe. Leaves the program
# running; its Linux PID is in LANQI_PROGRAM_PID.
lanqi_show_and_screenshot() {
  local exe=$1 waiter=$2 shot=$3 geometry answer
  wine "$exe" </dev/null >/dev/null 2>&1 &
  LANQI_PROGRAM_PID=$!
  answer=$(mktemp)
  wine "$waiter" </dev/null >"$answer" 2>&1 || true
  geometry=$(tail -n1 "$answer" | tr -d '\r')
  rm -f "$answer"
  if [[ ! $geometry =~ ^-?[0-9]+\ -?[0-9]+\ [0-9]+\ [0-9]+$ ]]; then
    echo "the window did not come up: $geometry" >&2
    return 1
  fi
  # The waiter saw the clock lines filled; give the text a frame to be drawn.
  sleep 0.5
  import -window root "$shot"
  read -r left top width height <<<"$geometry"
  ((left < 0)) && left=0
  ((top < 0)) && top=0
  convert "$shot" -crop "${width}x${height}+${left}+${top}" +repage "${shot%.png}-window.png"
}
