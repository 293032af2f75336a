#!/bin/bash
# Which addresses the echo engine paces, and for how long an entry holds its place: on-link
# addresses for as long as their device probes an address that does not answer, at least 5 s;
# nothing for this machine's own address, a broadcast address, a routed or an unreachable one.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
dump=${1:?usage: on_link_routes.sh PATH_TO_ZELVORO_ON_LINK_ROUTES_DUMP}
zv_require_root
zv_topology 2
zv_temp_dir
out=$REPLY

# veth0 gives up on an address after 4 probes 2.5 s apart; d0 keeps the kernel's defaults
# (3 probes 1 s apart, less than the 5 s an entry is spared after its last update).
ip netns exec "$ZV_SCAN" sysctl -qw net.ipv4.neigh.veth0.mcast_solicit=4 \
    net.ipv4.neigh.veth0.retrans_time_ms=2500 || zv_fail "cannot set the probe settings"
ip -n "$ZV_SCAN" link add d0 type veth peer name d1 || zv_fail "cannot create the second pair"
ip -n "$ZV_SCAN" addr add 10.99.1.1/24 dev d0
ip -n "$ZV_SCAN" link set d0 up
ip -n "$ZV_SCAN" route add 198.18.0.0/16 via "$ZV_NET.2" || zv_fail "cannot add the route"

cat >"$out/expected" <<EXPECTED
$ZV_NET.255 none
$ZV_NET.1 none
$ZV_NET.7 10000 ms
$ZV_NET.200 10000 ms
198.18.3.4 none
10.99.1.20 5000 ms
203.0.113.9 none
EXPECTED
# Broadcast and own address first: they stand for themselves, not for the rest of their /24.
ip netns exec "$ZV_SCAN" "$dump" "$ZV_NET.255" "$ZV_NET.1" "$ZV_NET.7" "$ZV_NET.200" \
    198.18.3.4 10.99.1.20 203.0.113.9 >"$out/actual" || zv_fail "the dump failed"
diff -u "$out/expected" "$out/actual" || zv_fail "holding times differ"
echo "PASS: on-link addresses held as their device probes, the others not at all"
