# The checks of the network-namespace tests (sourced after scripts/lib/netns.sh): each counts a
# failure and goes on, and the predicates read the driver's output lines and accepted.log.

FAILURES=0
check() {  # description condition...
  local what=$1
  shift
  if "$@"; then
    echo "  ok: $what"
  else
    echo "  FAILED: $what"
    FAILURES=$((FAILURES + 1))
  fi
}

# field NAME LINE: the value of NAME=value in a driver output line.
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<< "$2"; }
between() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }
accepted() { grep -qx "accepted $1" "$WORK/accepted.log"; }
not_accepted() { ! accepted "$1"; }
# At least one connection was accepted on TARGET, and each was closed by the other side without a
# byte sent on it.
sent_no_data() {
  local deadline=$((SECONDS + 10)) opened closed
  while :; do
    opened=$(grep -cx "accepted $1" "$WORK/accepted.log")
    closed=$(grep -c "^closed $1 bytes=" "$WORK/accepted.log")
    [ "$closed" -ge "$opened" ] && break
    [ $SECONDS -ge "$deadline" ] && return 1
    sleep 0.05
  done
  [ "$opened" -gt 0 ] && ! grep -q "^closed $1 bytes=[1-9]" "$WORK/accepted.log"
}
