#!/bin/bash
# An unprivileged user whose group ping_group_range admits sweeps through a ping socket (a raw
# socket would be refused to this user).
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: unprivileged.sh PATH_TO_ZELVORO_SWEEP}
zv_require_root
getent passwd nobody >/dev/null || zv_skip "no user nobody"
gid=$(id -g nobody)
zv_topology "${ZV_KNOWN_HOSTS[@]}"
ip netns exec "$ZV_SCAN" sysctl -qw net.ipv4.ping_group_range="$gid $gid" ||
    zv_fail "cannot set ping_group_range"
zv_temp_dir
out=$REPLY

zv_expected_lists 1 254 "${ZV_KNOWN_HOSTS[@]}" >"$out/expected"
zv_sweep_as_nobody "$ZV_SCAN" "$sweep" "$ZV_NET.1" 254 >"$out/stdout" 2>"$out/stderr" ||
    zv_fail "exited with $? ($(cat "$out/stderr"))"
diff -u "$out/expected" "$out/stdout" || zv_fail "lists differ"
echo "PASS: user nobody swept through a ping socket"
