#!/bin/bash
# Every address of the segment answers at once: no reply may be lost.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: all_answering.sh PATH_TO_ZELVORO_SWEEP}
zv_require_root
zv_topology $(seq 2 254)
zv_temp_dir
out=$REPLY

zv_expected_lists 1 254 $(seq 2 254) >"$out/expected"
for round in 1 2 3; do
    ip netns exec "$ZV_SCAN" "$sweep" "$ZV_NET.1" 254 >"$out/stdout" 2>"$out/stderr" ||
        zv_fail "round $round exited with $? ($(cat "$out/stderr"))"
    diff -u "$out/expected" "$out/stdout" >/dev/null ||
        zv_fail "round $round: $(grep -c . <(sed -n '/^--$/,$p' "$out/stdout" | tail -n +2)) silent"
done
echo "PASS: all 254 addresses answered in 3 sweeps"
