#!/bin/bash
# Presence benchmark: a bridge with ten hosts that answer echo requests and seven that are present
# but silent to the sweep: three that ignore echo requests, two more that ignore them and answer
# anything only after 30 and 200 ms (a relay holds what they send, as a phone in power save
# would), and two that answer echo requests, but after 10 and 60 ms, too late for the sweep's
# 5 ms. zelvoro-sweep --mac sweeps NET.1-254 with a cold neighbour cache and with a warm one (a
# sweep just before: its entries REACHABLE), as root (ARP requests of its own), as the user
# nobody without any capability (the kernel's table and its notifications), as nobody with the
# echo helper beside the tool (a copy given cap_net_raw+ep, as the package does: ARP requests
# through it), and with entries the kernel holds as STALE (nobody, --wait 8500; nobody through
# the helper, its default window). It reports how many of the seven were marked, when the last
# of them was and when the presence stage was final (the tool's own clock, from the stage's
# start), and the echo sweep's own time and lists with and without the stage; then whether the
# targets held: with ARP requests (root, or through the helper) all seven marked in every run,
# cold, warm and STALE, and the stage final within 600 ms.
#
# usage: bench/presence.sh [BUILD_DIR | BIN_DIR | PATH_TO_ZELVORO_SWEEP] [RUNS]
#   default build/bin/zelvoro-sweep, 10 runs per case. Needs root and a C compiler (the relay,
#   bench/delay_relay.c, is built for the run).
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-$repo/build/bin}
runs=${2:-10}

# shellcheck source=../tests/netns/lib.sh
source "$repo/tests/netns/lib.sh"
sweep=$(zv_find_sweep "$target") || { echo "zelvoro-sweep not found under $target" >&2; exit 1; }
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 1; }
zv_require_root
getent passwd nobody >/dev/null || zv_skip "no user nobody"
command -v cc >/dev/null || zv_skip "no C compiler for the relay"
command -v setcap >/dev/null || zv_skip "setcap is missing"
helper_built=$(dirname "$sweep")/../libexec/zelvoro/zelvoro-echo-helper
[ -x "$helper_built" ] || zv_fail "no echo helper beside the tool: $helper_built"

answering=(10 11 12 13 14 15 16 17 18 19)
ignoring=(20 21 22)
present=(20 21 22 23 24 25 26) # ignoring, the two slow ignoring ones, the two slow answering ones
net="10.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1))"

zv_temp_dir
work=$REPLY
cp "$sweep" "$work/zelvoro-sweep" && chmod 755 "$work/zelvoro-sweep"
# The tool and the helper laid out as installed, for nobody through the helper.
mkdir -p "$work/laid/bin" "$work/laid/libexec/zelvoro"
cp "$sweep" "$work/laid/bin/zelvoro-sweep" &&
    cp "$helper_built" "$work/laid/libexec/zelvoro/zelvoro-echo-helper" &&
    chmod -R a+rX "$work/laid" &&
    setcap cap_net_raw+ep "$work/laid/libexec/zelvoro/zelvoro-echo-helper" ||
    zv_fail "cannot lay out the tool with a helper holding cap_net_raw"
sweep=$work/zelvoro-sweep
cc -O2 -o "$work/delay_relay" "$repo/bench/delay_relay.c" || zv_fail "cannot build the relay"

zv_switch
zv_namespace scan
scan=$REPLY
zv_plug "$scan" "$net.1/24" 02:5a:00:00:00:01
ip netns exec "$scan" sysctl -qw net.ipv4.ping_group_range="$(id -g nobody) $(id -g nobody)" ||
    zv_fail "cannot set ping_group_range"

host_mac() {
    printf '02:5a:00:00:00:%02x' "$1"
}

for octet in "${answering[@]}" "${ignoring[@]}"; do
    zv_namespace "host$octet"
    zv_plug "$REPLY" "$net.$octet/24" "$(host_mac "$octet")"
    if [ "$octet" -ge "${ignoring[0]}" ]; then
        ip netns exec "$REPLY" sysctl -qw net.ipv4.icmp_echo_ignore_all=1 ||
            zv_fail "cannot make $net.$octet ignore echo requests"
    fi
done

# slow_host OCTET DELAY_MS ignoring|answering: a host joined to the bridge through a relay in a namespace
# of its own that holds what the host sends for DELAY_MS.
slow_host() {
    local octet=$1 delay=$2 host relay port line fd
    zv_namespace "host$octet"
    host=$REPLY
    zv_namespace "relay$octet"
    relay=$REPLY
    port="port$((ZV_PORTS += 1))"
    ip -n "$ZV_SWITCH" link add "$port" type veth peer name tobridge netns "$relay" &&
        ip -n "$ZV_SWITCH" link set "$port" master br0 up &&
        ip -n "$relay" link add tohost type veth peer name eth0 netns "$host" &&
        ip -n "$relay" link set tobridge up && ip -n "$relay" link set tohost up &&
        ip -n "$host" link set eth0 address "$(host_mac "$octet")" &&
        ip -n "$host" addr add "$net.$octet/24" dev eth0 && ip -n "$host" link set eth0 up ||
        zv_fail "cannot plug $net.$octet in through a relay"
    if [ "$3" = ignoring ]; then
        ip netns exec "$host" sysctl -qw net.ipv4.icmp_echo_ignore_all=1 ||
            zv_fail "cannot make $net.$octet ignore echo requests"
    fi
    exec {fd}< <(exec ip netns exec "$relay" "$work/delay_relay" tohost tobridge "$delay")
    ZV_PIDS+=($!)
    read -r -t 10 -u "$fd" line && [ "$line" = ready ] ||
        zv_fail "the relay of $net.$octet did not start"
}

slow_host 23 30 ignoring
slow_host 24 200 ignoring
slow_host 25 10 answering
slow_host 26 60 answering

ZV_NET=$net zv_expected_lists 1 254 "${answering[@]}" >"$work/expected"

# sweep_once USER ARG...: one run of the tool as root, nobody, or nobody with the helper beside
# the tool (helper; the bounding set kept so that the helper's file capability takes effect);
# its stdout in $work/out, stderr in $work/err. A run through the helper in which the neighbour
# table took over counts as a failure of the bench.
sweep_once() {
    local user=$1
    shift
    case $user in
    root) ip netns exec "$scan" "$sweep" "$@" ;;
    nobody) zv_as_nobody "$scan" "$sweep" "$@" ;;
    helper)
        ip netns exec "$scan" setpriv --reuid=nobody --regid="$(id -gn nobody)" --clear-groups \
            --inh-caps=-all -- "$work/laid/bin/zelvoro-sweep" "$@"
        ;;
    esac >"$work/out" 2>"$work/err" ||
        zv_fail "zelvoro-sweep $* as $user exited with $? ($(cat "$work/err"))"
    [ "$user" != helper ] || ! grep -q 'watched instead' "$work/err" ||
        zv_fail "the helper did not send the ARP requests: $(cat "$work/err")"
}

# record CASE: what the last run says, one line appended to $work/CASE:
# SEVEN_MARKED LAST_OF_SEVEN_MS FINAL_MS SWEPT_MS LISTS_SAME(1/0)
record() {
    local marked last final swept same=0 octet at
    marked=0
    last=0
    for octet in "${present[@]}"; do
        if grep -q "^$net\.$octet	" "$work/out"; then
            marked=$((marked + 1))
            at=$(sed -n "s/^marked ${net//./\\.}\.$octet after \([0-9.]*\) ms$/\1/p" "$work/err")
            last=$(awk -v a="${at:-0}" -v b="$last" 'BEGIN { print (a > b ? a : b) }')
        fi
    done
    final=$(sed -n 's/^presence final after \([0-9.]*\) ms$/\1/p' "$work/err")
    swept=$(sed -n 's/^swept [0-9]* addresses in \([0-9.]*\) ms$/\1/p' "$work/err")
    cut -f 1 "$work/out" | cmp -s - "$work/expected" && same=1
    echo "$marked $last ${final:-0} $swept $same" >>"$work/$1"
}

make_stale() {
    local octet
    for octet in "${answering[@]}" "${present[@]}"; do
        ip -n "$scan" neigh change "$net.$octet" nud stale dev eth0 2>/dev/null
    done
}

# sweep_pair USER MODE ARG...: a cold sweep (the scanner's cache flushed) and a warm one right
# after it, recorded as cold-USER-MODE and warm-USER-MODE.
sweep_pair() {
    local user=$1 mode=$2
    shift 2
    ip -n "$scan" neigh flush all
    sweep_once "$user" "$@"
    record "cold-$user-$mode"
    sweep_once "$user" "$@"
    record "warm-$user-$mode"
}

# The runs with and without the stage take turns in going first.
for ((run = 1; run <= runs; run++)); do
    for user in root nobody; do
        if ((run % 2)); then
            sweep_pair "$user" stage --mac "$net.1" 254
            sweep_pair "$user" plain "$net.1" 254
        else
            sweep_pair "$user" plain "$net.1" 254
            sweep_pair "$user" stage --mac "$net.1" 254
        fi
    done
    ip -n "$scan" neigh flush all
    sweep_once helper --mac "$net.1" 254
    record cold-helper-stage
    sweep_once helper --mac "$net.1" 254
    record warm-helper-stage
    make_stale
    sweep_once helper --mac "$net.1" 254
    record stale-helper-stage
    make_stale
    sweep_once nobody --mac --wait 8500 "$net.1" 254
    record "stale-nobody-stage"
done

# column FILE N: the Nth numbers of FILE, one a line.
column() {
    awk -v n="$2" '{ print $n }' "$1"
}

# median: of the numbers on stdin, one decimal.
median() {
    sort -g | awk '{ v[NR] = $1 } END {
        m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.1f", m }'
}

row() {
    local label=$1 case=$2 plain=${3:-} file=$work/$2 all same sweep_plain="-" ratio="-"
    all=$(awk '$1 == 7' "$file" | wc -l)
    same=$(awk '$5 == 1' "$file" | wc -l)
    if [ -n "$plain" ]; then
        sweep_plain=$(column "$work/$plain" 4 | median)
        ratio=$(awk -v a="$(column "$file" 4 | median)" -v b="$sweep_plain" \
            'BEGIN { printf "%.2f", a / b }')
        same="$same/$runs, without: $(awk '$5 == 1' "$work/$plain" | wc -l)/$runs"
    else
        same="$same/$runs"
    fi
    echo "| $label | $(column "$file" 1 | sort -n | head -n 1) | $all/$runs |" \
        "$(column "$file" 2 | median) | $(column "$file" 2 | sort -g | tail -n 1) |" \
        "$(column "$file" 3 | median) | $(column "$file" 3 | sort -g | tail -n 1) |" \
        "$(column "$file" 4 | median) | $sweep_plain | $ratio | $same |"
}

echo "Presence on a bridge (NET = $net): 10 hosts answering echo requests, 7 present but silent" \
    "to the sweep (3 ignoring echo, 2 ignoring it and answering after 30 and 200 ms, 2 answering" \
    "echo after 10 and 60 ms); zelvoro-sweep --mac NET.1 254, $runs runs per case; times from" \
    "the tool's own clock; $(nproc) CPUs, Linux $(uname -r)."
echo
echo "| Case | Fewest of the 7 marked | All 7 marked | Last of the 7 marked, median (ms) | ... max (ms) | Stage final, median (ms) | ... max (ms) | Echo sweep with the stage (ms) | Echo sweep without (ms) | Ratio | Lists as expected |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|"
row "cold, root (CAP_NET_RAW)" cold-root-stage cold-root-plain
row "warm, root (CAP_NET_RAW)" warm-root-stage warm-root-plain
row "cold, nobody (no capability)" cold-nobody-stage cold-nobody-plain
row "warm REACHABLE, nobody" warm-nobody-stage warm-nobody-plain
row "warm STALE, nobody, --wait 8500" stale-nobody-stage
row "cold, nobody through the helper" cold-helper-stage cold-nobody-plain
row "warm REACHABLE, nobody through the helper" warm-helper-stage warm-nobody-plain
row "warm STALE, nobody through the helper" stale-helper-stage

# target CASE...: whether every run of each CASE marked all seven with the stage final within
# 600 ms.
target() {
    local case verdict=held
    for case in "$@"; do
        awk '$1 != 7 || $3 > 600 { bad = 1 } END { exit bad }' "$work/$case" || verdict=missed
    done
    echo "- $verdict: all seven marked and the stage final within 600 ms in every run, $*"
}
echo
echo "Targets with ARP requests:"
target cold-root-stage warm-root-stage
target cold-helper-stage warm-helper-stage stale-helper-stage
