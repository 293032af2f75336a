#!/bin/bash
# A /20 and a /16 behind a router, where a few prefixes of each answer: the lists are exact, the
# first and last host addresses included, and no request is held back (routed addresses make no
# neighbour entries of their own).
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: routed_ranges.sh PATH_TO_ZELVORO_SWEEP}
zv_require_root
zv_topology 2
zv_temp_dir
out=$REPLY

check_range() {
    local range=$1
    shift
    zv_route_range "$range" "$@"
    zv_expected_range_lists "$range" "$@" >"$out/expected"
    ip netns exec "$ZV_SCAN" "$sweep" "$range" >"$out/stdout" 2>"$out/stderr" ||
        zv_fail "sweep of $range exited with $? ($(cat "$out/stderr"))"
    cmp -s "$out/expected" "$out/stdout" ||
        zv_fail "sweep of $range: lists differ: $(diff "$out/expected" "$out/stdout" | head -n 5)"
    local count=$(($(wc -l <"$out/expected") - 1))
    tail -n 1 "$out/stderr" | grep -Eq "^swept $count addresses in " ||
        zv_fail "sweep of $range: last stderr line: $(tail -n 1 "$out/stderr")"
}

check_range 198.19.16.0/20 198.19.16.1/32 198.19.20.0/23 198.19.31.254/32
check_range 198.18.0.0/16 198.18.0.0/18 198.18.100.0/24 198.18.200.16/28 198.18.255.254/32
echo "PASS: a routed /20 and /16 swept exactly"
