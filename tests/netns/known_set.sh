#!/bin/bash
# A /24 where twenty hosts answer: the answering list is exactly them (and the scanner itself),
# every other address is silent, the network and broadcast addresses included.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: known_set.sh PATH_TO_ZELVORO_SWEEP}
zv_require_root
zv_topology "${ZV_KNOWN_HOSTS[@]}"
zv_temp_dir
out=$REPLY

check_range() {
    local first=$1 last=$2
    zv_expected_lists "$first" "$last" "${ZV_KNOWN_HOSTS[@]}" >"$out/expected"
    ip netns exec "$ZV_SCAN" "$sweep" "$ZV_NET.$first" "$last" >"$out/stdout" 2>"$out/stderr" ||
        zv_fail "sweep $first..$last exited with $? ($(cat "$out/stderr"))"
    diff -u "$out/expected" "$out/stdout" || zv_fail "sweep $first..$last: lists differ"
    local count=$((last - first + 1))
    tail -n 1 "$out/stderr" | grep -Eq "^swept $count addresses in [0-9]+(\.[0-9]+)? ms$" ||
        zv_fail "sweep $first..$last: last stderr line: $(tail -n 1 "$out/stderr")"
}

check_range 1 254 # cold neighbour cache
check_range 1 254 # warm neighbour cache
check_range 0 255
check_range 250 254
echo "PASS: known answering set found over $ZV_NET.0/24"
