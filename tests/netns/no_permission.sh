#!/bin/bash
# No ping socket (ping_group_range "1 0") and no raw socket (no capability): exit 3 with a
# message, and no lists that would pass a failure off as silent hosts.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: no_permission.sh PATH_TO_ZELVORO_SWEEP}
zv_require_root
getent passwd nobody >/dev/null || zv_skip "no user nobody"
ZV_SCAN="zv-noperm-$$-$RANDOM"
zv_make_namespace "$ZV_SCAN"
ip netns exec "$ZV_SCAN" sysctl -qw net.ipv4.ping_group_range="1 0" ||
    zv_fail "cannot set ping_group_range"
zv_temp_dir
out=$REPLY

status=0
zv_sweep_as_nobody "$ZV_SCAN" "$sweep" 10.9.9.1 254 >"$out/stdout" 2>"$out/stderr" || status=$?
[ "$status" -eq 3 ] || zv_fail "exit status $status, expected 3"
[ ! -s "$out/stdout" ] || zv_fail "printed lists: $(head -n 3 "$out/stdout")"
[ "$(wc -l <"$out/stderr")" -eq 1 ] || zv_fail "expected one line on stderr: $(cat "$out/stderr")"
grep -q "permission" "$out/stderr" || zv_fail "message does not name the cause: $(cat "$out/stderr")"
echo "PASS: refused without permission: $(cat "$out/stderr")"
