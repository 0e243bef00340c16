# Shared by the network-namespace scripts of tests/, bench/ and scripts/lib/wine.sh. Source it; it
# defines helpers only.
# Everything happens inside a private network and mount namespace: the public resolvers' addresses
# are added to lo when a scenario needs them, the reference host maps to 127.0.0.1 through a
# private /etc/hosts, and no packet can leave the machine.

LANQI_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SOURCE_DIR=$(cd "$LANQI_LIB_DIR/../.." && pwd)
# shellcheck source=wine.sh
source "$LANQI_LIB_DIR/wine.sh"
SKIP_CODE=77

# The targets, read from the one header that names them.
reference_constant() {
  sed -n "s/.*$1\[\] = \"\(.*\)\";.*/\1/p" "$SOURCE_DIR/nettime/reference_servers.hpp"
}
FIRST_RESOLVER=$(reference_constant kFirstResolver)
SECOND_RESOLVER=$(reference_constant kSecondResolver)
WEB_HOST=$(reference_constant kWebServerHost)

# Re-runs the calling script inside fresh namespaces; skips cleanly without root.
enter_netns() {
  if [ "$(id -u)" != 0 ]; then
    echo "SKIP: needs root to make a private network namespace (unshare --net --mount)"
    exit $SKIP_CODE
  fi
  if [ -z "${LANQI_IN_NETNS:-}" ]; then
    exec env LANQI_IN_NETNS=1 unshare --net --mount --propagation private "$@"
  fi
  ip link set lo up
  WORK=$(mktemp -d /tmp/lanqi-netns.XXXXXX)
  trap cleanup_netns EXIT
  # Name look-ups: the private hosts file, and a resolver address where nothing answers.
  echo "nameserver 127.0.0.1" > "$WORK/resolv.conf"
  mount --bind "$WORK/resolv.conf" /etc/resolv.conf
  cp /etc/hosts "$WORK/hosts.base" 2>/dev/null || : > "$WORK/hosts.base"
  cp "$WORK/hosts.base" "$WORK/hosts"
  mount --bind "$WORK/hosts" /etc/hosts
  PIDS=()
}

cleanup_netns() {
  stop_servers
  umount /etc/hosts /etc/resolv.conf 2>/dev/null
  rm -rf "$WORK"
}

stop_servers() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  PIDS=()
}

# Puts the namespace back to nothing reachable: no extra addresses, no rules, no servers, and the
# reference host mapped to 127.0.0.1.
reset_network() {
  stop_servers
  nft flush ruleset 2>/dev/null
  ip addr del "$FIRST_RESOLVER/32" dev lo 2>/dev/null
  ip addr del "$SECOND_RESOLVER/32" dev lo 2>/dev/null
  map_web_host yes
  : > "$WORK/accepted.log"
}

map_web_host() {
  cp "$WORK/hosts.base" "$WORK/hosts.new"
  [ "$1" = yes ] && echo "127.0.0.1 $WEB_HOST" >> "$WORK/hosts.new"
  cat "$WORK/hosts.new" > "$WORK/hosts"  # same inode: the bind mount keeps showing it
}

add_address() { ip addr add "$1/32" dev lo; }

# Packets to the address vanish: a connect to it hangs until its caller gives up.
drop_address() {
  nft add table inet lanqi 2>/dev/null
  nft add chain inet lanqi out '{ type filter hook output priority 0; }' 2>/dev/null
  nft add rule inet lanqi out ip daddr "$1" drop
}

wait_for_line() {  # file line seconds
  local deadline=$((SECONDS + $3))
  while [ $SECONDS -lt "$deadline" ]; do
    grep -qx "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# Accepting listeners on ADDRESS:PORT ...; connections are logged to accepted.log.
start_listeners() {
  : > "$WORK/listeners.ready"
  python3 "$LANQI_LIB_DIR/tcp_listeners.py" "$WORK/accepted.log" "$@" > /dev/null 2>&1 &
  PIDS+=($!)
  wait_for_line "$WORK/accepted.log" ready 10 || { echo "FAIL: listeners did not start"; exit 1; }
}

# "THREADS PRIVATE_KIB DESCRIPTORS" of a running process, as Linux counts them (Wine 8 answers 0
# for a process's handles and private bytes; its sockets and files show as descriptors).
process_figures() {  # pid
  awk '/^Threads:/ { t = $2 } /^RssAnon:/ { m = $2 } END { printf "%s %s ", t, m }' \
    "/proc/$1/status" 2>/dev/null
  ls "/proc/$1/fd" 2>/dev/null | wc -l
}

# The fake reference web server on 127.0.0.1:80 answering with the given Date text.
start_web_server() {  # date text, then optionally the folder whose *.stopped releases the first answer
  : > "$WORK/web.log"
  python3 "$LANQI_LIB_DIR/fake_reference_server.py" 127.0.0.1 80 "$1" "$WORK/web.log" ${2:+"$2"} \
    > /dev/null 2>&1 &
  PIDS+=($!)
  wait_for_line "$WORK/web.log" ready 10 || { echo "FAIL: web server did not start"; exit 1; }
}

# Inside the namespace: a fresh Wine prefix in $WORK and an Xvfb of its own, in Beijing's time zone
# (so a server answering this machine's time agrees with the local clock), all ended with the
# namespace.
lanqi_wine_in_netns_work() {
  lanqi_wine_env
  export TZ=Asia/Shanghai
  lanqi_ensure_template || exit 1
  export WINEPREFIX=$WORK/prefix
  lanqi_copy_template "$WINEPREFIX"
  lanqi_start_xvfb "$WORK" || exit 1
  trap 'wineserver -k 2>/dev/null; lanqi_stop_xvfb; cleanup_netns' EXIT
}
