# shellcheck shell=bash
# Shared by the adapter service tests (sourced, not run); sources lib.sh.
#
# Topology: namespace ZV_SCAN with two veth adapters, a0 and a1 (their peers up in ZV_HOSTS),
# each with an old address and a default route of its own, a0 with a second address; beside
# them links that are no adapters: the bridge br0 (with an address and a default route of its
# own) and its veth port a2, the veth a3 left down, and the tap t0 (no process behind it).
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ZA_ETC_DIRS=()

za_cleanup() {
    local dir
    zv_cleanup
    for dir in "${ZA_ETC_DIRS[@]}"; do
        rm -rf -- "$dir"
    done
    rmdir /etc/netns 2>/dev/null # only when no other namespace keeps files there
    return 0
}
trap za_cleanup EXIT

za_topology() {
    local tag="$$-$RANDOM" link
    # shellcheck disable=SC2034 # used by the scripts that source this file
    ZV_NET="10.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1))"
    ZV_SCAN="zv-adapters-$tag"
    zv_make_namespace "$ZV_SCAN"
    ZV_HOSTS="zv-apeers-$tag"
    zv_make_namespace "$ZV_HOSTS"
    for link in 0 1 2 3; do
        ip -n "$ZV_SCAN" link add "a$link" type veth peer name "p$link" netns "$ZV_HOSTS" ||
            zv_fail "cannot create the veth pair a$link"
        ip -n "$ZV_HOSTS" link set "p$link" up
    done
    ip -n "$ZV_SCAN" tuntap add mode tap t0 || zv_fail "cannot create the tap t0"
    ip -n "$ZV_SCAN" -batch - <<END || zv_fail "cannot build the topology"
link add br0 type bridge
link set a2 master br0
link set a0 up
link set a1 up
link set a2 up
link set br0 up
link set t0 up
addr add 192.0.2.10/24 dev a0
addr add 198.51.100.7/25 dev a0
addr add 192.0.2.11/24 dev a1
addr add 192.0.2.12/24 dev br0
route add default via 192.0.2.1 dev a0 metric 5
route add default via 192.0.2.1 dev a1 metric 6
route add default via 192.0.2.1 dev br0 metric 7
END
}

# za_resolver_file CONTENT: the namespace's own resolver file, which "ip netns exec" mounts
# over /etc/resolv.conf; its path in $REPLY.
za_resolver_file() {
    local dir="/etc/netns/$ZV_SCAN"
    mkdir -p "$dir" || zv_fail "cannot create $dir"
    ZA_ETC_DIRS+=("$dir")
    REPLY="$dir/resolv.conf"
    printf '%s' "$1" >"$REPLY"
    chmod 644 "$REPLY"
}

# za_state: every IPv4 address ("DEV ADDRESS/PREFIX") and default route of the main table
# ("DEV via GATEWAY metric METRIC") in the namespace, sorted.
za_state() {
    ip -n "$ZV_SCAN" -j -4 addr show |
        jq -r '.[] | .ifname as $dev | .addr_info[] | "\($dev) \(.local)/\(.prefixlen)"' | sort
    ip -n "$ZV_SCAN" -j -4 route show default |
        jq -r '.[] | "\(.dev) via \(.gateway) metric \(.metric // 0)"' | sort
}

# za_run DRIVER ARGUMENT...: the driver in the namespace, as root.
za_run() {
    ip netns exec "$ZV_SCAN" "$@"
}

# za_expect_results EXPECTED DRIVER ARGUMENT...: runs the driver in the namespace and compares
# its output ("NAME RESULT" lines) with EXPECTED.
za_expect_results() {
    local expected=$1 got
    shift
    got=$(za_run "$@") || zv_fail "driver exited with $? for: ${*:2}"
    [ "$got" = "$expected" ] || zv_fail "${*:2}: got '$got', expected '$expected'"
}

command -v jq >/dev/null || zv_skip "jq is missing"
