#!/bin/bash
# The echo helper in a namespace whose ping sockets are closed. The user nobody sweeps through
# the window logic (the scenario runner with the real echo service, holding no capability) and
# gets the lists root gets; with a helper that holds nothing the window shows its no-permission
# box. The helper's capability sets are empty once its socket is open and while it waits for its
# request, an echo request or an ARP presence request (--arp), and it refuses requests beyond one
# /24 and malformed ones. Its ARP answer names every host of the range with its MAC, then ends.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
runner=${1:?usage: echo_helper.sh PATH_TO_ZELVORO_SCENARIO PATH_TO_ZELVORO_ECHO_HELPER}
helper_built=${2:?usage: echo_helper.sh PATH_TO_ZELVORO_SCENARIO PATH_TO_ZELVORO_ECHO_HELPER}
zv_require_root
group=$(id -gn nobody 2>/dev/null) || zv_skip "no user nobody"
command -v setcap >/dev/null || zv_skip "setcap is missing"
[ "$(uname -m)" = x86_64 ] || zv_skip "reads the x86-64 system call number of read from /proc"
zv_topology "${ZV_KNOWN_HOSTS[@]}"
ip netns exec "$ZV_SCAN" sysctl -qw net.ipv4.ping_group_range="1 0" ||
    zv_fail "cannot set ping_group_range"

# The programs laid out as installed: bin/ and libexec/zelvoro/ side by side.
zv_lay_out_with_helper "$runner" zelvoro-scenario "$helper_built"
work=$REPLY
helper=$ZV_LAID_HELPER
as_nobody=(setpriv --reuid=nobody --regid="$group" --clear-groups --)
in_scan=(ip netns exec "$ZV_SCAN")

# --- the window's sweep
IFS=. read -r n1 n2 n3 <<<"$ZV_NET"
cat >"$work/sweep.scn" <<END
fake echo real
set frmIPtest.txbf1 "$n1"
set frmIPtest.txbf2 "$n2"
set frmIPtest.txbf3 "$n3"
set frmIPtest.txbf4 "1"
set frmIPtest.txbe4 "254"
click frmIPtest.btntest
print frmIPtest.List1
print frmIPtest.List2
END
chmod 644 "$work/sweep.scn"
# The list lines the runner prints for the expected lists.
zv_expected_lists 1 254 "${ZV_KNOWN_HOSTS[@]}" | awk '
    $0 == "--" { second = 1; next }
    { item = " \"" $0 "\""; if (second) { silent = silent item; s++ } else { live = live item; l++ } }
    END {
        print "frmIPtest.List1 [" l "] selected=-1" live
        print "frmIPtest.List2 [" s "] selected=-1" silent
    }' >"$work/expected-lists"

"${in_scan[@]}" "$work/bin/zelvoro-scenario" "$work/sweep.scn" >"$work/root.out" ||
    zv_fail "root's run exited with $?"
grep '^frmIPtest.List' "$work/root.out" | diff -u "$work/expected-lists" - ||
    zv_fail "root's lists differ"
"${in_scan[@]}" "${as_nobody[@]}" "$work/bin/zelvoro-scenario" "$work/sweep.scn" \
    >"$work/nobody.out" || zv_fail "nobody's run exited with $?"
diff -u "$work/root.out" "$work/nobody.out" || zv_fail "nobody's transcript differs from root's"

# --- the helper itself: its capabilities while it waits for its request, then its answer
# status_of PID FIELD: the value of FIELD in /proc/PID/status.
status_of() {
    awk -v field="$2:" '$1 == field { print $2 }' "/proc/$1/status"
}
# check_dropped WHO KIND COMMAND...: runs the helper as COMMAND for KIND (echo or arp) with its
# request from a pipe this shell holds open, waits until it blocks reading descriptor 0, checks
# its sets, then sends a request and checks the answer.
check_dropped() {
    local who=$1 kind=$2 pid i field
    shift 2
    local arguments=()
    [ "$kind" = arp ] && arguments=(--arp)
    rm -f "$work/request" && mkfifo -m 644 "$work/request"
    "${in_scan[@]}" "$@" "$helper" "${arguments[@]}" <"$work/request" >"$work/answer" \
        2>"$work/errors" &
    pid=$!
    exec 3>"$work/request"
    for ((i = 0; i < 1000; i++)); do
        [ "$(readlink "/proc/$pid/exe")" = "$helper" ] &&
            [[ "$(cat "/proc/$pid/syscall" 2>/dev/null)" == "0 0x0 "* ]] && break
        sleep 0.01
    done
    [ "$i" -lt 1000 ] || zv_fail "$who: the helper never waited for its request"
    for field in CapInh CapPrm CapEff CapAmb; do
        [ "$(status_of "$pid" "$field")" = 0000000000000000 ] ||
            zv_fail "$who: $field is $(status_of "$pid" "$field") while it waits"
    done
    [ "$(status_of "$pid" NoNewPrivs)" = 1 ] || zv_fail "$who: no-new-privileges is not set"
    find "/proc/$pid/fd" -lname 'socket:*' | grep -q . || zv_fail "$who: no socket open"
    REPLY=$(status_of "$pid" CapBnd)
    if [ "$kind" = arp ]; then
        echo "$ZV_NET.1 254 300" >&3
        exec 3>&-
        wait "$pid" || zv_fail "$who: the ARP helper exited with $? ($(cat "$work/errors"))"
        local mac
        mac=$(ip -n "$ZV_HOSTS" -br link show veth1 | awk '{ print $3 }')
        diff -u <(printf "$ZV_NET.%s $mac\n" "${ZV_KNOWN_HOSTS[@]}" | sort; echo end) \
            <(sed '$d' "$work/answer" | cut -d' ' -f1,2 | sort; tail -n1 "$work/answer") ||
            zv_fail "$who: the helper's ARP answer differs"
        return
    fi
    echo "$ZV_NET.1 254 5" >&3
    exec 3>&-
    wait "$pid" || zv_fail "$who: the helper exited with $? ($(cat "$work/errors"))"
    awk '$2 == "answered" { print $1 } $2 == "silent" { n++ } END { print "--", n }' \
        "$work/answer" >"$work/answered"
    diff -u <(zv_expected_lists 1 254 "${ZV_KNOWN_HOSTS[@]}" | sed -n '/^--$/q;p'
        echo "-- $((254 - ${#ZV_KNOWN_HOSTS[@]} - 1))") "$work/answered" ||
        zv_fail "$who: the helper's answer differs"
}
check_dropped nobody echo "${as_nobody[@]}"
check_dropped root echo
[ "$REPLY" = 0000000000000000 ] || zv_fail "root: the bounding set is $REPLY while it waits"
check_dropped nobody arp "${as_nobody[@]}"

# --- requests the helper refuses: exit 2, one line on stderr, nothing on stdout
failures=0
refused() {
    local status=0
    printf '%b' "$1" | "${in_scan[@]}" "${as_nobody[@]}" "$helper" "${@:2}" \
        >"$work/stdout" 2>"$work/stderr" || status=$?
    if [ "$status" -ne 2 ] || [ "$(wc -l <"$work/stderr")" -ne 1 ] || [ -s "$work/stdout" ]; then
        echo "FAIL: request [$1] ${*:2}: exit $status, stderr: $(cat "$work/stderr")" >&2
        failures=$((failures + 1))
    fi
}
refused "$ZV_NET.1 256 5\n"      # beyond the /24
refused "$ZV_NET.1 99999 5\n"
refused "$ZV_NET.0/16 254 5\n"
refused "$ZV_NET.9 8 5\n"        # the end below the start
refused "$ZV_NET.1 254\n"        # words missing, over, or apart
refused "$ZV_NET.1 254 5 5\n"
refused "$ZV_NET.1  254 5\n"
refused "$ZV_NET.1\t254\t5\n"
refused "$ZV_NET.1 254 5\r\n"
refused "\n"
refused "$ZV_NET.1 254 5"        # no newline: the pipe closed first
refused ""
refused "$ZV_NET.1 254 0\n"      # timeouts
refused "$ZV_NET.1 254 1001\n"
refused "$(printf '%080d' 1)\n"  # too long
refused "$ZV_NET.1 254 5\n" "$ZV_NET.1" 254 # arguments
refused "$ZV_NET.1 254 5\n" --arp --arp
refused "$ZV_NET.1 256 500\n" --arp # ARP requests: the range and the window checked alike
refused "$ZV_NET.1 254\n" --arp
refused "$ZV_NET.1 254 0500\n" --arp
refused "$ZV_NET.1 254 600001\n" --arp
refused "$ZV_NET.1 254 500 1\n" --arp
[ "$failures" -eq 0 ] || exit 1
# A range on no link of the namespace: exit 4, nothing sent, nothing on stdout.
status=0
echo "192.0.2.1 254 500" | "${in_scan[@]}" "${as_nobody[@]}" "$helper" --arp >"$work/stdout" \
    2>/dev/null || status=$?
[ "$status" -eq 4 ] && [ ! -s "$work/stdout" ] || zv_fail "an off-link ARP request: exit $status"

# --- a helper that holds nothing: the window's no-permission box
setcap -r "$helper" || zv_fail "cannot remove the helper's capability"
"${in_scan[@]}" "${as_nobody[@]}" "$work/bin/zelvoro-scenario" "$work/sweep.scn" \
    >"$work/refused.out" || zv_fail "nobody's refused run exited with $?"
grep -q '^msgbox OK "无法检测!" "没有发送PING(ICMP)的权限!' "$work/refused.out" ||
    zv_fail "no box for a helper that holds nothing: $(cat "$work/refused.out")"
echo "PASS: nobody swept through the echo helper as root did; the helper held no capability once its socket was open, answered ARP requests with every host, and refused every bad request"
