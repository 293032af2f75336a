#!/bin/bash
# zelvoro-sweep ADDRESS/LENGTH for the user nobody with ping sockets closed, laid out as
# installed with the echo helper holding cap_net_raw: a /24 goes through the helper and gives
# root's lists; a larger range is refused with exit 3 and a line that says why, and nothing is
# printed on stdout.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: helper_ranges.sh PATH_TO_ZELVORO_SWEEP}
zv_require_root
group=$(id -gn nobody 2>/dev/null) || zv_skip "no user nobody"
command -v setcap >/dev/null || zv_skip "setcap is missing"
helper_built=$(dirname "$sweep")/../libexec/zelvoro/zelvoro-echo-helper
[ -x "$helper_built" ] || zv_skip "no echo helper beside $sweep"
zv_topology "${ZV_KNOWN_HOSTS[@]}"
ip netns exec "$ZV_SCAN" sysctl -qw net.ipv4.ping_group_range="1 0" ||
    zv_fail "cannot set ping_group_range"
zv_lay_out_with_helper "$sweep" zelvoro-sweep "$helper_built"
work=$REPLY
as_nobody=(ip netns exec "$ZV_SCAN" setpriv --reuid=nobody --regid="$group" --clear-groups --)

zv_expected_lists 1 254 "${ZV_KNOWN_HOSTS[@]}" >"$work/expected"
"${as_nobody[@]}" "$work/bin/zelvoro-sweep" "$ZV_NET.0/24" >"$work/stdout" 2>"$work/stderr" ||
    zv_fail "the /24 exited with $? ($(cat "$work/stderr"))"
diff -u "$work/expected" "$work/stdout" || zv_fail "the /24's lists differ"

status=0
"${as_nobody[@]}" "$work/bin/zelvoro-sweep" "$ZV_NET.0/23" >"$work/stdout" 2>"$work/stderr" ||
    status=$?
[ "$status" -eq 3 ] || zv_fail "the /23 exited with $status, expected 3"
[ ! -s "$work/stdout" ] || zv_fail "the /23 printed lists"
[ "$(wc -l <"$work/stderr")" -eq 1 ] && grep -q "more than a /24" "$work/stderr" ||
    zv_fail "the /23's message: $(cat "$work/stderr")"
echo "PASS: a /24 through the echo helper, a /23 refused: $(cat "$work/stderr")"
