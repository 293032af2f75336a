#!/bin/bash
# A namespace without any route: every send fails (ENETUNREACH), each address is silent and the
# sweep goes on to the end. 255.255.255.255 is not an address to send to: it is skipped and
# lands in neither list, nor is it counted.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: unreachable.sh PATH_TO_ZELVORO_SWEEP}
zv_require_root
ZV_SCAN="zv-unreach-$$-$RANDOM"
zv_make_namespace "$ZV_SCAN"
zv_temp_dir
out=$REPLY

# check START END EXPECTED_COUNT, the expected stdout on stdin
check() {
    ip netns exec "$ZV_SCAN" "$sweep" "$1" "$2" >"$out/stdout" 2>"$out/stderr" </dev/null ||
        zv_fail "$1 $2 exited with $? ($(cat "$out/stderr"))"
    diff -u - "$out/stdout" || zv_fail "$1 $2: lists differ"
    tail -n 1 "$out/stderr" | grep -Eq "^swept $3 addresses in " ||
        zv_fail "$1 $2: last stderr line: $(tail -n 1 "$out/stderr")"
}

check 10.20.30.1 254 254 < <(echo --; printf '10.20.30.%d\n' {1..254})
check 255.255.255.250 255 5 < <(echo --; printf '255.255.255.%d\n' {250..254})
echo "PASS: unreachable addresses silent, 255.255.255.255 skipped"
