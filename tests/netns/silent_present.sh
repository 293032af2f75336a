#!/bin/bash
# Silent but present: the scanner shares a bridge with a host that answers echo requests, one
# that ignores them (icmp_echo_ignore_all) and a router; the rest of the /24 is absent. With
# --mac the ignoring host is the only silent address with a MAC and the answering hosts carry
# theirs, cold and warm: as root through ARP requests of the tool's own, as the user nobody
# through the kernel's neighbour table (a REACHABLE entry at once, a STALE one when the kernel
# probes it again, about 5 s after the sweep). As nobody with the echo helper beside the tool
# (a copy given cap_net_raw+ep), the ARP requests go through the helper: cold, warm and STALE
# alike within the default window; with a helper that holds nothing, the neighbour table takes
# over and says so. A STALE entry made before the sweep for an absent address marks nothing. A
# range behind the router gets no MAC at all, its own silent host included.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: silent_present.sh PATH_TO_ZELVORO_SWEEP}
helper_built=$(dirname "$sweep")/../libexec/zelvoro/zelvoro-echo-helper
zv_require_root
getent passwd nobody >/dev/null || zv_skip "no user nobody"
command -v setcap >/dev/null || zv_skip "setcap is missing"
[ -x "$helper_built" ] || zv_fail "no echo helper beside the tool: $helper_built"

net="10.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1))"
routed="172.$((RANDOM % 16 + 16)).$((RANDOM % 250 + 1))"
mac_scanner=02:5a:00:00:00:01
mac_answering=02:5a:00:00:00:0a
mac_ignoring=02:5a:00:00:00:14
mac_router=02:5a:00:00:00:fe

zv_switch
zv_namespace scan
scan=$REPLY
zv_plug "$scan" "$net.1/24" "$mac_scanner"
zv_namespace answering
zv_plug "$REPLY" "$net.10/24" "$mac_answering"
zv_namespace ignoring
zv_plug "$REPLY" "$net.20/24" "$mac_ignoring"
ip netns exec "$REPLY" sysctl -q -w net.ipv4.icmp_echo_ignore_all=1 ||
    zv_fail "cannot make $net.20 ignore echo requests"

# The router answers at .254 on the bridge and at $routed.1, where a host ignoring echo requests
# sits at $routed.7.
zv_namespace router
router=$REPLY
zv_plug "$router" "$net.254/24" "$mac_router"
zv_namespace far
far=$REPLY
ip -n "$router" link add inside type veth peer name eth0 netns "$far" ||
    zv_fail "cannot link the router to the far host"
ip -n "$router" addr add "$routed.1/24" dev inside
ip -n "$router" link set inside up
ip -n "$far" addr add "$routed.7/24" dev eth0
ip -n "$far" link set eth0 up
ip -n "$far" route add default via "$routed.1"
ip netns exec "$far" sysctl -q -w net.ipv4.icmp_echo_ignore_all=1
ip netns exec "$router" sysctl -q -w net.ipv4.ip_forward=1
ip -n "$scan" route add "$routed.0/24" via "$net.254"

ip netns exec "$scan" sysctl -qw net.ipv4.ping_group_range="$(id -g nobody) $(id -g nobody)" ||
    zv_fail "cannot set ping_group_range"

# Left from before the sweep: an entry for an absent address that nobody confirms.
absent_entry() {
    ip -n "$scan" neigh replace "$net.30" lladdr 02:5a:00:00:00:1e nud stale dev eth0
}
absent_entry

zv_temp_dir
out=$REPLY

# run_sweep NAME ARG...: the tool's stdout in $out/NAME, stderr in $out/NAME.err, as root.
run_sweep() {
    zv_capture "$out" "$1" ip netns exec "$scan" "$sweep" "${@:2}"
}

# run_as_nobody NAME ARG...: the same as the user nobody, without any capability.
run_as_nobody() {
    zv_capture "$out" "$1" zv_sweep_as_nobody "$scan" "$sweep" "${@:2}"
}

# expect_marks NAME: the lists of a local sweep with the three devices marked, and the stage's
# end timed on stderr.
ZV_NET=$net zv_expected_lists 1 254 10 254 |
    sed -e "s/^$net\.10\$/&\t$mac_answering/" -e "s/^$net\.254\$/&\t$mac_router/" \
        -e "s/^$net\.20\$/&\t$mac_ignoring/" >"$out/marked.expected"
expect_marks() {
    diff -u "$out/marked.expected" "$out/$1" || zv_fail "$1: lists differ"
    grep -Eq '^presence final after [0-9]+\.[0-9]+ ms$' "$out/$1.err" ||
        zv_fail "$1: no time of the presence stage's end on stderr"
}

# The time in ms after which NAME's stderr says ADDRESS was marked.
marked_after() {
    sed -n "s/^marked ${2//./\\.} after \([0-9]*\)\.[0-9] ms\$/\1/p" "$out/$1.err"
}

run_sweep root_cold --mac "$net.1" 254
expect_marks root_cold
run_sweep root_warm --mac "$net.1" 254
expect_marks root_warm

ip -n "$scan" neigh flush all
absent_entry
run_as_nobody nobody_cold --mac "$net.1" 254
expect_marks nobody_cold
run_as_nobody nobody_reachable --mac "$net.1" 254
expect_marks nobody_reachable

# Entries the kernel holds but has not confirmed lately: the sweep is sent to them without a
# question, and only the kernel's probe about 5 s later confirms them.
for octet in 10 20 254; do
    ip -n "$scan" neigh change "$net.$octet" nud stale dev eth0 ||
        zv_fail "cannot make the entry of $net.$octet STALE"
done
run_as_nobody nobody_stale --mac "$net.1" 254
diff -u <(ZV_NET=$net zv_expected_lists 1 254 10 254) "$out/nobody_stale" ||
    zv_fail "nobody_stale: marks within the default window of 1000 ms"
for octet in 10 20 254; do
    ip -n "$scan" neigh change "$net.$octet" nud stale dev eth0
done
run_as_nobody nobody_stale_wait --mac --wait 7000 "$net.1" 254
expect_marks nobody_stale_wait
after=$(marked_after nobody_stale_wait "$net.20")
[ -n "$after" ] && [ "$after" -ge 4000 ] ||
    zv_fail "nobody_stale_wait: $net.20 marked after ${after:-no} ms, not after the kernel's probe"

# The tool and its helper laid out as installed, the helper given the package's capability.
zv_lay_out_with_helper "$sweep" zelvoro-sweep "$helper_built"
laid=$REPLY
helper=$ZV_LAID_HELPER

# through_helper NAME ARG...: as run_as_nobody, with the helper beside the tool (the bounding set
# kept, so that the helper's file capability takes effect).
through_helper() {
    zv_capture "$out" "$1" ip netns exec "$scan" setpriv --reuid=nobody --regid="$(id -gn nobody)" \
        --clear-groups --inh-caps=-all -- "$laid/bin/zelvoro-sweep" "${@:2}"
}
# expect_helper NAME: marked through the helper, the table never taking over.
expect_helper() {
    expect_marks "$1"
    ! grep -q 'watched instead' "$out/$1.err" || zv_fail "$1: $(cat "$out/$1.err")"
}

ip -n "$scan" neigh flush all
absent_entry
through_helper helper_cold --mac "$net.1" 254
expect_helper helper_cold
through_helper helper_warm --mac "$net.1" 254
expect_helper helper_warm
for octet in 10 20 254; do
    ip -n "$scan" neigh change "$net.$octet" nud stale dev eth0
done
through_helper helper_stale --mac "$net.1" 254
expect_helper helper_stale

setcap -r "$helper" || zv_fail "cannot remove the helper's capability"
ip -n "$scan" neigh flush all
absent_entry
through_helper helper_refused --mac "$net.1" 254
expect_marks helper_refused
grep -q 'the neighbour table is watched instead$' "$out/helper_refused.err" ||
    zv_fail "helper_refused: the table's taking over is not told: $(cat "$out/helper_refused.err")"

run_sweep routed --mac "$routed.1" 254
ZV_NET=$routed zv_expected_lists 1 254 >"$out/routed.expected"
diff -u "$out/routed.expected" "$out/routed" || zv_fail "routed range: lists differ"
echo "PASS: only the host ignoring echo requests is silent with a MAC, cold and warm, as root, as nobody and as nobody through the echo helper; nothing behind the router"
