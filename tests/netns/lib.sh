# Shared by the namespace tests and the benchmark (sourced, not run).
#
# Topology: a scanner namespace holding NET.1/24 on one end of a veth pair, and a hosts
# namespace holding the answering addresses on the other end. Both namespaces get names unique
# to this run, and everything made here is removed on exit, failure included.

ZV_SCAN=""
ZV_HOSTS=""
ZV_NET=""
ZV_PIDS=()
ZV_TEMP_DIRS=()
ZV_NAMESPACES=() # made by zv_namespace
ZV_SWITCH=""
ZV_PORTS=0

zv_skip() {
    echo "SKIP: $*"
    exit 77
}

zv_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

zv_cleanup() {
    local pid dir namespace
    for pid in "${ZV_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    [ -n "$ZV_SCAN" ] && ip netns delete "$ZV_SCAN" 2>/dev/null
    [ -n "$ZV_HOSTS" ] && ip netns delete "$ZV_HOSTS" 2>/dev/null
    for namespace in "${ZV_NAMESPACES[@]}"; do
        ip netns delete "$namespace" 2>/dev/null
    done
    for dir in "${ZV_TEMP_DIRS[@]}"; do
        rm -rf -- "$dir"
    done
    return 0
}

trap zv_cleanup EXIT
trap 'exit 130' INT TERM

zv_require_root() {
    [ "$(id -u)" -eq 0 ] || zv_skip "network namespaces need root"
}

# zv_make_namespace NAME: creates the namespace with its loopback up, or skips the test.
zv_make_namespace() {
    ip netns add "$1" 2>/dev/null || zv_skip "cannot create network namespace $1"
    ip -n "$1" link set lo up
}

# zv_namespace ROLE: a namespace for ROLE named for this run, removed on exit (name in $REPLY).
zv_namespace() {
    REPLY="zv-$1-$$-$RANDOM"
    zv_make_namespace "$REPLY"
    ZV_NAMESPACES+=("$REPLY")
}

# zv_switch: a namespace holding a bridge, br0, that zv_plug connects namespaces to (ZV_SWITCH).
zv_switch() {
    zv_namespace switch
    ZV_SWITCH=$REPLY
    ip -n "$ZV_SWITCH" link add br0 type bridge || zv_skip "cannot create a bridge"
    ip -n "$ZV_SWITCH" link set br0 up
}

# zv_plug NAMESPACE ADDRESS/LENGTH MAC: a veth pair from a new port of the switch's bridge to
# eth0 in NAMESPACE, which gets MAC and ADDRESS and is brought up.
zv_plug() {
    local namespace=$1 address=$2 mac=$3 port="port$((ZV_PORTS += 1))"
    ip -n "$ZV_SWITCH" link add "$port" type veth peer name eth0 netns "$namespace" ||
        zv_fail "cannot plug $namespace into the switch"
    ip -n "$ZV_SWITCH" link set "$port" master br0 up
    ip -n "$namespace" link set eth0 address "$mac"
    ip -n "$namespace" addr add "$address" dev eth0
    ip -n "$namespace" link set eth0 up
}

# zv_topology OCTET...: the scanner namespace at NET.1/24 and a hosts namespace answering at
# NET.OCTET for each OCTET given. Sets ZV_SCAN, ZV_HOSTS and ZV_NET.
zv_topology() {
    local tag="$$-$RANDOM"
    ZV_NET="10.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1))"
    ZV_SCAN="zv-scan-$tag"
    zv_make_namespace "$ZV_SCAN"
    ZV_HOSTS="zv-hosts-$tag"
    zv_make_namespace "$ZV_HOSTS"
    ip -n "$ZV_SCAN" link add veth0 type veth peer name veth1 netns "$ZV_HOSTS" ||
        zv_fail "cannot create the veth pair"
    ip -n "$ZV_SCAN" addr add "$ZV_NET.1/24" dev veth0
    ip -n "$ZV_SCAN" link set veth0 up
    local octet
    for octet in "$@"; do
        echo "addr add $ZV_NET.$octet/24 dev veth1"
    done | ip -n "$ZV_HOSTS" -batch - || zv_fail "cannot add the host addresses"
    ip -n "$ZV_HOSTS" link set veth1 up
}

# zv_expected_lists FIRST LAST OCTET...: the tool's stdout for a sweep from NET.FIRST to
# NET.LAST when the scanner (NET.1) and NET.OCTET for each OCTET answer.
zv_expected_lists() {
    local first=$1 last=$2 octet
    shift 2
    local -A live=([1]=1)
    for octet in "$@"; do
        live[$octet]=1
    done
    for ((octet = first; octet <= last; octet++)); do
        [ -n "${live[$octet]:-}" ] && echo "$ZV_NET.$octet"
    done
    echo "--"
    for ((octet = first; octet <= last; octet++)); do
        [ -z "${live[$octet]:-}" ] && echo "$ZV_NET.$octet"
    done
    return 0
}

# zv_route_range RANGE PREFIX...: the scanner namespace reaches RANGE (ADDRESS/LENGTH) through
# the hosts namespace at NET.2 (zv_topology must have been given octet 2), which answers for
# every address of each PREFIX and drops what is sent to the others.
zv_route_range() {
    local range=$1 prefix
    shift
    ip -n "$ZV_SCAN" route add "$range" via "$ZV_NET.2" || zv_fail "cannot route $range"
    for prefix in "$@"; do
        ip -n "$ZV_HOSTS" route add local "$prefix" dev lo || zv_fail "cannot answer for $prefix"
    done
}

# zv_expected_range_lists RANGE PREFIX...: the tool's stdout for a sweep of RANGE
# (ADDRESS/LENGTH: its host addresses) when every address of each PREFIX answers, and no other.
zv_expected_range_lists() {
    awk -v range="$1" -v prefixes="${*:2}" '
        function number(quad, o) { split(quad, o, "."); return ((o[1] * 256 + o[2]) * 256 + o[3]) * 256 + o[4] }
        function size(length_) { return 2 ^ (32 - length_) }
        function quad(n) { return sprintf("%d.%d.%d.%d", int(n / 16777216), int(n / 65536) % 256, int(n / 256) % 256, n % 256) }
        function answers(n, i) {
            for (i = 1; i <= count; i++) if (n >= first[i] && n < first[i] + span[i]) return 1
            return 0
        }
        BEGIN {
            split(range, r, "/"); s = size(r[2]); network = number(r[1]) - number(r[1]) % s
            count = split(prefixes, p, " ")
            for (i = 1; i <= count; i++) { split(p[i], q, "/"); span[i] = size(q[2]); first[i] = number(q[1]) }
            for (n = network + 1; n < network + s - 1; n++) if (answers(n)) print quad(n)
            print "--"
            for (n = network + 1; n < network + s - 1; n++) if (!answers(n)) print quad(n)
        }'
}

# zv_find_sweep TARGET: the absolute path of the zelvoro-sweep TARGET names (the tool itself, the
# folder holding it, or a build folder), on stdout; fails when there is none or its path holds
# a blank (the benchmarks split their commands into words).
zv_find_sweep() {
    local candidate
    for candidate in "$1" "$1/zelvoro-sweep" "$1/bin/zelvoro-sweep"; do
        if [ -f "$candidate" ] && [ -x "$candidate" ]; then
            candidate=$(realpath "$candidate")
            [[ "$candidate" != *[[:space:]]* ]] || return 1
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

# zv_temp_dir: a new directory every user may read, removed on exit (in $REPLY).
zv_temp_dir() {
    REPLY=$(mktemp -d) || zv_fail "mktemp failed"
    ZV_TEMP_DIRS+=("$REPLY")
    chmod 755 "$REPLY"
}

# zv_capture DIR NAME COMMAND ARG...: runs COMMAND with its stdout in DIR/NAME and its stderr in
# DIR/NAME.err; the test fails, showing that stderr, when it does not exit 0.
zv_capture() {
    local dir=$1 name=$2
    shift 2
    "$@" >"$dir/$name" 2>"$dir/$name.err" || zv_fail "$name: exited with $? ($(cat "$dir/$name.err"))"
}

# zv_lay_out_with_helper PROGRAM NAME HELPER: PROGRAM copied to bin/NAME and HELPER to
# libexec/zelvoro/ of a new folder, as installed, the helper given the package's capability.
# REPLY is the folder; ZV_LAID_HELPER the helper's copy.
zv_lay_out_with_helper() {
    zv_temp_dir
    mkdir -p "$REPLY/bin" "$REPLY/libexec/zelvoro"
    ZV_LAID_HELPER=$REPLY/libexec/zelvoro/zelvoro-echo-helper
    cp "$1" "$REPLY/bin/$2" && cp "$3" "$ZV_LAID_HELPER" || zv_fail "cannot copy the programs"
    chmod -R a+rX "$REPLY" && setcap cap_net_raw+ep "$ZV_LAID_HELPER" ||
        zv_fail "cannot give the helper cap_net_raw"
}

# zv_sweep_as_nobody NAMESPACE SWEEP ARG...: runs a copy of the sweep tool, placed in a
# world-readable folder, in NAMESPACE as the user nobody without any capability.
zv_sweep_as_nobody() {
    local namespace=$1 sweep=$2
    shift 2
    zv_temp_dir
    cp "$sweep" "$REPLY/zelvoro-sweep" && chmod 755 "$REPLY/zelvoro-sweep"
    zv_as_nobody "$namespace" "$REPLY/zelvoro-sweep" "$@"
}

# zv_as_nobody NAMESPACE COMMAND ARG...: runs COMMAND (a file nobody may run) in NAMESPACE as
# the user nobody without any capability.
zv_as_nobody() {
    local namespace=$1 group
    shift
    group=$(id -gn nobody) || zv_skip "no group for nobody"
    ip netns exec "$namespace" setpriv --reuid=nobody --regid="$group" --clear-groups \
        --inh-caps=-all --bounding-set=-all -- "$@"
}

# zv_busy_loops N: N processes spinning on the CPU until exit.
zv_busy_loops() {
    local i
    for ((i = 0; i < $1; i++)); do
        (while :; do :; done) &
        ZV_PIDS+=($!)
    done
}

# The answering hosts of the known-set cases: twenty addresses spread over the segment, the
# first and last host addresses included.
# shellcheck disable=SC2034 # used by the scripts that source this file
ZV_KNOWN_HOSTS=(2 3 17 30 31 64 99 100 101 127 128 129 150 177 200 201 222 240 253 254)
