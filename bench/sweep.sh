#!/bin/bash
# Sweep benchmark: zelvoro-sweep against fping, nmap and a one-request-at-a-time sweep on the
# same namespace topology as the tests (a /24, the scanner at .1 and twenty answering hosts),
# the neighbour caches flushed before every run. Prints a Markdown table of median times, the
# time zelvoro-sweep --names spends on host names (timed by the tool itself), and the sweep's own
# time with and without --names. For the names, the scanner namespace has a resolver file of its
# own naming a DNS server on the segment (one PTR record), and two hosts answer mDNS and NetBIOS
# (tests/netns/name_responder.py). Two rows compare the ways a user without any capability
# sweeps: through a ping socket of its own where ping_group_range admits its group, and through
# the echo helper where it does not. The presence stage of --mac, which outlives the sweep by
# design, has a benchmark of its own (bench/presence.sh).
#
# usage: bench/sweep.sh [BUILD_DIR | BIN_DIR | PATH_TO_ZELVORO_SWEEP] [RUNS]
#   default build/bin/zelvoro-sweep, 20 runs per tool. Needs root; installs fping and nmap
#   when they are missing and removes what it installed when it ends.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-$repo/build/bin}
runs=${2:-20}

# shellcheck source=../tests/netns/lib.sh
source "$repo/tests/netns/lib.sh"
sweep=$(zv_find_sweep "$target") ||
    { echo "zelvoro-sweep (a path without blanks) not found under $target" >&2; exit 1; }
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 1; }
zv_require_root

installed=()
remove_installed() {
    if [ "${#installed[@]}" -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -q "${installed[@]}" >/dev/null
    fi
}
etc_dir=""
remove_resolver_file() {
    if [ -n "$etc_dir" ]; then
        rm -rf -- "$etc_dir"
        rmdir /etc/netns 2>/dev/null # only when no other namespace keeps files there
    fi
}
trap 'zv_cleanup; remove_resolver_file; remove_installed' EXIT

for peer in fping nmap; do
    if ! command -v "$peer" >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$peer" \
            >/dev/null || zv_fail "cannot install $peer"
        installed+=("$peer")
    fi
done

zv_topology "${ZV_KNOWN_HOSTS[@]}"
zv_temp_dir
work=$REPLY
net=$ZV_NET

# The names' servers: DNS at the first host, mDNS and NetBIOS at the next two.
responder=$repo/tests/netns/name_responder.py
dns_host=$net.${ZV_KNOWN_HOSTS[0]}
etc_dir=/etc/netns/$ZV_SCAN
mkdir -p "$etc_dir" || zv_fail "cannot create $etc_dir"
printf 'nameserver %s\n' "$dns_host" >"$etc_dir/resolv.conf"
printf '127.0.0.1 localhost\n' >"$etc_dir/hosts"
# respond ARG...: a name responder in the hosts namespace, running once it has said so.
respond() {
    local fifo line=""
    fifo=$work/ready-${#ZV_PIDS[@]}
    mkfifo "$fifo" || zv_fail "mkfifo failed"
    ip netns exec "$ZV_HOSTS" python3 "$responder" "$@" >"$fifo" &
    ZV_PIDS+=($!)
    read -r -t 30 line <"$fifo"
    [ "$line" = ready ] || zv_fail "name responder $* did not start"
}
respond dns "$dns_host" "$net.${ZV_KNOWN_HOSTS[3]}" files.example.lan
respond mdns "$net.${ZV_KNOWN_HOSTS[1]}" printer-2f
respond netbios "$net.${ZV_KNOWN_HOSTS[2]}" NAS01

# The user nobody's copies, laid out as installed, the helper holding cap_net_raw.
helper=$(dirname "$sweep")/../libexec/zelvoro/zelvoro-echo-helper
[ -x "$helper" ] || zv_fail "the echo helper is not beside zelvoro-sweep: $helper"
mkdir -p "$work/bin" "$work/libexec/zelvoro"
user_sweep=$work/bin/zelvoro-sweep
cp "$sweep" "$user_sweep" && cp "$helper" "$work/libexec/zelvoro/" && chmod -R a+rX "$work" &&
    setcap cap_net_raw+ep "$work/libexec/zelvoro/zelvoro-echo-helper" ||
    zv_fail "cannot lay out the user's copies"
gid=$(id -g nobody) || zv_fail "no user nobody"
as_nobody="setpriv --reuid=nobody --regid=$gid --clear-groups --"
{
    echo "$net.1"
    for octet in "${ZV_KNOWN_HOSTS[@]}"; do echo "$net.$octet"; done
} | sort -t. -k4,4n >"$work/expected"

names=("zelvoro-sweep" "zelvoro-sweep --names"
    "zelvoro-sweep, nobody, ping socket" "zelvoro-sweep, nobody, echo helper" "fping -i 0"
    "fping -i 1" "nmap -sn" "sequential 5 ms")
commands=(
    "$sweep $net.1 254"
    "$sweep --names $net.1 254"
    "$as_nobody $user_sweep $net.1 254"
    "$as_nobody $user_sweep $net.1 254"
    "fping -a -q -g $net.1 $net.254 -t 5 -r 0 -i 0"
    "fping -a -q -g $net.1 $net.254 -t 5 -r 0 -i 1"
    "nmap -sn -n $net.1-254"
    "$sweep --sequential $net.1 254"
)
# The scanner namespace's ping_group_range for each command, set before it is timed: closed
# ("1 0", a new namespace's own, so root sends through a raw socket), or open to nobody.
ranges=("1 0" "1 0" "$gid $gid" "1 0" "1 0" "1 0" "1 0" "1 0")

# The answering addresses a tool printed, one per line, in ascending order.
answer_set() {
    case "$1" in
    zelvoro-sweep* | sequential*) sed '/^--$/,$d' "$2" | cut -f 1 ;;
    fping*) cat "$2" ;;
    nmap*) awk '/^Nmap scan report for /{print $5}' "$2" ;;
    esac | sort -t. -k4,4n
}

# Runs inside the scanner namespace, so that entering it is not part of any time measured.
run_all() {
    local run index start end
    for ((run = 1; run <= runs; run++)); do
        for index in "${!names[@]}"; do
            ip neigh flush all
            ip -n "$ZV_HOSTS" neigh flush all
            sysctl -qw net.ipv4.ping_group_range="${ranges[$index]}"
            start=$EPOCHREALTIME
            ${commands[$index]} >"$work/out" 2>"$work/err"
            end=$EPOCHREALTIME
            echo $((${end/./} - ${start/./})) >>"$work/times-$index"
            sed -n 's/^looked up names in \([0-9.]*\) ms$/\1/p' "$work/err" >>"$work/name-lookups"
            sed -n 's/^swept [0-9]* addresses in \([0-9.]*\) ms$/\1/p' "$work/err" \
                >>"$work/swept-$index"
            answer_set "${names[$index]}" "$work/out" | cmp -s - "$work/expected" ||
                echo "run $run" >>"$work/mismatch-$index"
            # With --names, the three hosts that have a name and no others.
            if [[ ${names[$index]} == *--names ]] && [ "$(grep -c $'\t' "$work/out")" -ne 3 ]; then
                echo "run $run (names)" >>"$work/mismatch-$index"
            fi
        done
    done
}

# median FILE DIVISOR DECIMALS: the median of the numbers in FILE divided by DIVISOR.
median() {
    sort -g "$1" | awk -v d="$2" -v f="%.$3f" '{v[NR] = $1} END {
        m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf f, m / d }'
}

median_ms() {
    median "$1" 1000 1
}

print_table() {
    local reference index median ratio same
    reference=$(median_ms "$work/times-0")
    echo "| Tool | Command | Median (ms) | Ratio to zelvoro-sweep | Same answer set in every run |"
    echo "|---|---|---:|---:|---|"
    for index in "${!names[@]}"; do
        median=$(median_ms "$work/times-$index")
        ratio=$(awk -v m="$median" -v r="$reference" 'BEGIN { printf "%.2f", m / r }')
        same="yes ($runs/$runs)"
        if [ -s "$work/mismatch-$index" ]; then
            same="no ($(wc -l <"$work/mismatch-$index") of $runs differ)"
        fi
        local shown=${commands[$index]//$sweep/zelvoro-sweep}
        shown=${shown//$user_sweep/zelvoro-sweep}
        shown=${shown//--regid=$gid/--regid=GID}
        echo "| ${names[$index]} | \`${shown//$net/NET}\` | $median | $ratio | $same |"
    done
}

export -f run_all answer_set
export runs work sweep ZV_HOSTS
ip netns exec "$ZV_SCAN" bash -c "$(declare -p names commands ranges); run_all" ||
    zv_fail "benchmark run failed"

echo "Sweep of $net.1-254 (NET = $net): $((${#ZV_KNOWN_HOSTS[@]} + 1)) answering (the scanner" \
    "and ${#ZV_KNOWN_HOSTS[@]} hosts), $((254 - ${#ZV_KNOWN_HOSTS[@]} - 1)) silent; $runs runs per tool, neighbour caches" \
    "flushed before each; $(nproc) CPUs, Linux $(uname -r)."
echo
print_table
echo
echo "Host names after the sweep (zelvoro-sweep --names, timed inside the tool," \
    "$(wc -l <"$work/name-lookups") runs; the other hosts never answer mDNS or NetBIOS, so" \
    "each run waits for the 2 s limit): median $(median "$work/name-lookups" 1 1) ms," \
    "maximum $(sort -g "$work/name-lookups" | tail -n 1) ms. The sweep itself, timed inside" \
    "the tool: median $(median "$work/swept-0" 1 1) ms without --names," \
    "$(median "$work/swept-1" 1 1) ms with it."
