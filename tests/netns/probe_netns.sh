#!/bin/bash
# The connectivity probe and the fetch of the real system, run by the driver inside a private
# network namespace: the resolvers and the reference host are made to accept, refuse or stay
# silent locally. Usage: probe_netns.sh [RUNNER...] DRIVER   (RUNNER e.g. "wine" for the .exe)
# Bounds are generous; the figures themselves come from the benchmark.
set -u
source "$(dirname "$0")/../../scripts/lib/netns.sh"
source "$(dirname "$0")/checks.sh"
enter_netns "$0" "$@"
RUN=("$@")

probe() { "${RUN[@]}" probe | tr -d '\r' | grep '^probe '; }

echo "targets: $FIRST_RESOLVER:53, $SECOND_RESOLVER:53, $WEB_HOST:80"

echo "scenario: the first resolver accepts"
reset_network
add_address "$FIRST_RESOLVER"
add_address "$SECOND_RESOLVER"
start_listeners "$FIRST_RESOLVER:53" "$SECOND_RESOLVER:53" "127.0.0.1:80"
out=$(probe)
echo "  $out"
check "online" [ "$(field online "$out")" = 1 ]
check "answered within 150 ms" between "$(field ms "$out")" 0 150
sleep 0.3
check "first resolver contacted" accepted "$FIRST_RESOLVER:53"
check "no data sent to the first resolver" sent_no_data "$FIRST_RESOLVER:53"
check "second resolver not contacted" not_accepted "$SECOND_RESOLVER:53"
check "web server not contacted" not_accepted "127.0.0.1:80"

echo "scenario: the first resolver is silent, the second accepts"
reset_network
add_address "$FIRST_RESOLVER"
add_address "$SECOND_RESOLVER"
drop_address "$FIRST_RESOLVER"
start_listeners "$SECOND_RESOLVER:53" "127.0.0.1:80"
out=$(probe)
echo "  $out"
check "online" [ "$(field online "$out")" = 1 ]
check "answered after the first's 200 ms" between "$(field ms "$out")" 195 400
check "no data sent to the second resolver" sent_no_data "$SECOND_RESOLVER:53"
sleep 0.3
check "web server not contacted" not_accepted "127.0.0.1:80"

echo "scenario: only the web server accepts"
reset_network
start_listeners "127.0.0.1:80"
out=$(probe)
echo "  $out"
check "online" [ "$(field online "$out")" = 1 ]
check "answered after 200 + 500 ms" between "$(field ms "$out")" 695 950
check "no data sent to the web server" sent_no_data "127.0.0.1:80"

echo "scenario: nothing reachable (resolvers without a route, nothing on port 80)"
reset_network
out=$(probe)
echo "  $out"
check "offline" [ "$(field online "$out")" = 0 ]
check "after about 3.7 s" between "$(field ms "$out")" 3695 4300

echo "scenario: every target refuses at once"
reset_network
add_address "$FIRST_RESOLVER"
add_address "$SECOND_RESOLVER"
out=$(probe)
echo "  $out"
check "offline" [ "$(field online "$out")" = 0 ]
check "after about 3.7 s" between "$(field ms "$out")" 3695 4300

echo "scenario: every target silent"
reset_network
add_address "$FIRST_RESOLVER"
add_address "$SECOND_RESOLVER"
drop_address "$FIRST_RESOLVER"
drop_address "$SECOND_RESOLVER"
drop_address 127.0.0.1
out=$(probe)
echo "  $out"
nft flush ruleset
check "offline" [ "$(field online "$out")" = 0 ]
check "after about 3.7 s" between "$(field ms "$out")" 3695 4300

echo "scenario: the web server's name cannot be looked up"
reset_network
map_web_host no
start_listeners "127.0.0.1:80"
out=$(probe)
echo "  $out"
check "offline" [ "$(field online "$out")" = 0 ]

echo "scenario: probe and fetch from the fake reference server"
reset_network
start_web_server "Wed, 31 Dec 2025 20:30:05 GMT"
out=$("${RUN[@]}" probe-fetch | tr -d '\r' | grep '^probe-fetch ')
echo "  $out"
check "online" [ "$(field online "$out")" = 1 ]
check "Beijing time of the Date header" grep -q "time=2026-01-01 04:30:05" <<< "$out"
check "one HEAD of /" grep -qx "request HEAD /" "$WORK/web.log"

echo "scenario: the reference server is down"
reset_network
out=$("${RUN[@]}" fetch | tr -d '\r' | grep '^fetch ')
echo "  $out"
check "the failure value (year 100)" grep -q "time=0100-01-01 " <<< "$out"
check "the omitted url came back as the reference root" grep -q "url=http://$WEB_HOST/" <<< "$out"

[ "$FAILURES" = 0 ] && echo "PASS" || echo "FAIL: $FAILURES checks"
[ "$FAILURES" = 0 ]
