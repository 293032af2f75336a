#!/bin/bash
# Fifty sweeps back to back while two processes keep both cores busy: each finds exactly the
# known set, as replies are judged by the kernel's receive time, not by when they are read.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: load.sh PATH_TO_ZELVORO_SWEEP}
sweeps=${2:-50}
zv_require_root
zv_topology "${ZV_KNOWN_HOSTS[@]}"
zv_temp_dir
out=$REPLY
zv_expected_lists 1 254 "${ZV_KNOWN_HOSTS[@]}" >"$out/expected"
zv_busy_loops 2

wrong=0
for ((i = 1; i <= sweeps; i++)); do
    ip netns exec "$ZV_SCAN" "$sweep" "$ZV_NET.1" 254 >"$out/stdout" 2>"$out/stderr" ||
        zv_fail "sweep $i exited with $? ($(cat "$out/stderr"))"
    if ! cmp -s "$out/expected" "$out/stdout"; then
        wrong=$((wrong + 1))
        echo "sweep $i differs:" >&2
        diff "$out/expected" "$out/stdout" >&2
    fi
done
[ "$wrong" -eq 0 ] || zv_fail "$wrong of $sweeps sweeps under load found another set"
echo "PASS: $sweeps of $sweeps sweeps under load found the known set"
