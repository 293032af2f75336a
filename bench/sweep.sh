#!/bin/bash
# Sweep benchmark: zelvoro-sweep against fping, nmap and a one-request-at-a-time sweep on the
# same namespace topology as the tests (a /24, the scanner at .1 and twenty answering hosts),
# the neighbour caches flushed before every run. Prints a Markdown table of median times, the
# floor of the /24 sweep measured in the same run, the time zelvoro-sweep --names spends on host
# names (timed by the tool itself) and the sweep's own time with and without --names, and a
# second table of how the cost grows with the range: the /24 on the link, and a /24, a /20 and a
# /16 behind a router.
#
# For the names, the scanner namespace has a resolver file of its own naming a DNS server on the
# segment (one PTR record), and two hosts answer mDNS and NetBIOS (tests/netns/name_responder.py).
# Two rows compare the ways a user without any capability sweeps: through a ping socket of its
# own where ping_group_range admits its group, and through the echo helper where it does not.
# The presence stage of --mac, which outlives the sweep by design, has a benchmark of its own
# (bench/presence.sh).
#
# The floor is what no sweep of the /24 can go below: starting a process (the median of a no-op
# run of the tool, `zelvoro-sweep --help`, and of /bin/true, whichever is less), handing the 254
# requests to the kernel (the median of the sending time zelvoro-sweep measures with its own
# clock, ZELVORO_SWEEP_TIMING) and the 5 ms the last request may wait for its answer.
#
# usage: bench/sweep.sh [BUILD_DIR | BIN_DIR | PATH_TO_ZELVORO_SWEEP] [RUNS]
#   default build/bin/zelvoro-sweep, 20 runs per tool on the /24 (a fifth of them, at least 3,
#   on the /20 and one on the /16). Needs root; installs the peers listed in
#   scripts/packages-bench.txt when they are missing.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-$repo/build/bin}
runs=${2:-20}

find_sweep() {
    local candidate
    for candidate in "$target" "$target/zelvoro-sweep" "$target/bin/zelvoro-sweep"; do
        if [ -f "$candidate" ] && [ -x "$candidate" ]; then
            realpath "$candidate"
            return 0
        fi
    done
    return 1
}
sweep=$(find_sweep) || { echo "zelvoro-sweep not found under $target" >&2; exit 1; }
# The commands below are split into words when they run.
[[ "$sweep" != *[[:space:]]* ]] || { echo "no blanks in the path please: $sweep" >&2; exit 1; }
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 1; }

# shellcheck source=../tests/netns/lib.sh
source "$repo/tests/netns/lib.sh"
zv_require_root
"$repo/scripts/install-packages.sh" "$repo/scripts/packages-bench.txt" ||
    zv_fail "cannot install the packages of scripts/packages-bench.txt"
etc_dir=""
remove_resolver_file() {
    if [ -n "$etc_dir" ]; then
        rm -rf -- "$etc_dir"
        rmdir /etc/netns 2>/dev/null # only when no other namespace keeps files there
    fi
}
trap 'zv_cleanup; remove_resolver_file' EXIT

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

# The routed ranges: the hosts namespace (NET.2) answers for every address of these prefixes.
routed_24=(198.19.64.0/24 198.19.64.1/32 198.19.64.16/28 198.19.64.100/32 198.19.64.254/32)
routed_20=(198.19.16.0/20 198.19.16.1/32 198.19.17.0/24 198.19.20.0/23 198.19.31.254/32)
routed_16=(198.18.0.0/16 198.18.64.0/18 198.18.160.0/24 198.18.200.16/28 198.18.255.254/32)
route() { # RANGE PREFIX...
    zv_route_range "$@"
    zv_expected_range_lists "$@" | sed '/^--$/,$d' >"$work/expected-${1//\//_}"
}
route "${routed_24[@]}"
route "${routed_20[@]}"
route "${routed_16[@]}"

# Each suite: names, commands, the scanner namespace's ping_group_range for each, the expected
# answer set and the number of runs. Times and mismatches go to $work/SUITE-times-INDEX and
# $work/SUITE-mismatch-INDEX. The last two of the /24 suite are the floor's process starts.
suite_24_names=("zelvoro-sweep" "zelvoro-sweep --names"
    "zelvoro-sweep, nobody, ping socket" "zelvoro-sweep, nobody, echo helper" "fping -i 0"
    "fping -i 1" "nmap -sn" "sequential 5 ms" "no-op run" "/bin/true")
suite_24_commands=(
    "$sweep $net.1 254"
    "$sweep --names $net.1 254"
    "$as_nobody $user_sweep $net.1 254"
    "$as_nobody $user_sweep $net.1 254"
    "fping -a -q -g $net.1 $net.254 -t 5 -r 0 -i 0"
    "fping -a -q -g $net.1 $net.254 -t 5 -r 0 -i 1"
    "nmap -sn -n $net.1-254"
    "$sweep --sequential $net.1 254"
    "$sweep --help"
    "/bin/true"
)
# Closed ("1 0", a new namespace's own, so root sends through a raw socket), or open to nobody.
suite_24_ranges=("1 0" "1 0" "$gid $gid" "1 0" "1 0" "1 0" "1 0" "1 0" "1 0" "1 0")

# On the larger ranges the peers run under `timeout`: nmap takes minutes on a /20 and longer
# than a quarter of an hour on a /16.
peer_limit=120
growth_names=()
growth_commands=()
growth_expected=()
growth_runs=()
add_growth() { # RANGE EXPECTED RUNS [LIMIT]
    local limit=${4:+timeout $4 }
    growth_names+=("zelvoro-sweep $1" "fping -g $1" "nmap -sn $1")
    growth_commands+=("$sweep $1" "${limit}fping -a -q -g $1 -t 5 -r 0 -i 0" "${limit}nmap -sn -n $1")
    growth_expected+=("$2" "$2" "$2")
    growth_runs+=("$3" "$3" "$3")
}
add_growth "$net.0/24" "$work/expected" "$runs"
add_growth "${routed_24[0]}" "$work/expected-${routed_24[0]//\//_}" "$runs"
fifth=$((runs / 5 < 3 ? 3 : runs / 5))
add_growth "${routed_20[0]}" "$work/expected-${routed_20[0]//\//_}" "$fifth" "$peer_limit"
add_growth "${routed_16[0]}" "$work/expected-${routed_16[0]//\//_}" 1 "$peer_limit"

# The answering addresses a tool printed, one per line, in ascending order.
answer_set() {
    case "$1" in
    zelvoro-sweep* | sequential*) sed '/^--$/,$d' "$2" | cut -f 1 ;;
    fping*) cat "$2" ;;
    nmap*) awk '/^Nmap scan report for /{print $5}' "$2" ;;
    *) return 0 ;;
    esac | sort -t. -k1,1n -k2,2n -k3,3n -k4,4n
}

# run_one SUITE INDEX NAME COMMAND EXPECTED RUN [PING_GROUP_RANGE]: one timed run in the scanner
# namespace; the neighbour caches of both namespaces are flushed first.
run_one() {
    local suite=$1 index=$2 name=$3 command=$4 expected=$5 run=$6 start end
    ip neigh flush all
    ip -n "$ZV_HOSTS" neigh flush all
    sysctl -qw net.ipv4.ping_group_range="${7:-1 0}"
    start=$EPOCHREALTIME
    $command >"$work/out" 2>"$work/err"
    local status=$?
    end=$EPOCHREALTIME
    echo $((${end/./} - ${start/./})) >>"$work/$suite-times-$index"
    if [ "$status" -eq 124 ] && [[ "$command" == timeout* ]]; then
        echo "run $run" >>"$work/$suite-stopped-$index"
        return 0
    fi
    if [ "$suite" = 24 ]; then
        sed -n 's/^looked up names in \([0-9.]*\) ms$/\1/p' "$work/err" >>"$work/name-lookups"
        sed -n 's/^swept [0-9]* addresses in \([0-9.]*\) ms$/\1/p' "$work/err" \
            >>"$work/swept-$index"
    fi
    if [ "$suite$index" = 240 ]; then
        local field
        for field in set-up sending waiting printing; do
            sed -n "s/^timing: .*$field \([0-9.]*\) ms.*$/\1/p" "$work/err" >>"$work/$field"
        done
        sed -n 's/^timing: .*undecided \([0-9]*\)$/\1/p' "$work/err" >>"$work/undecided"
    fi
    if [ -n "$expected" ]; then
        answer_set "$name" "$work/out" | cmp -s - "$expected" ||
            echo "run $run" >>"$work/$suite-mismatch-$index"
    fi
    # With --names, the three hosts that have a name and no others.
    if [[ $name == *--names ]] && [ "$(grep -c $'\t' "$work/out")" -ne 3 ]; then
        echo "run $run (names)" >>"$work/$suite-mismatch-$index"
    fi
}

# Runs inside the scanner namespace, so that entering it is not part of any time measured. The
# tools take turns, run after run, so that a change in the machine's load meets all of them.
# zelvoro-sweep tells its sending time on stderr (the other tools pay no heed to the variable).
run_all() {
    local run index most=$runs
    export ZELVORO_SWEEP_TIMING=1
    for ((run = 1; run <= runs; run++)); do
        # The floor's parts right before the sweep they are compared with.
        for index in 8 9 0 1 2 3 4 5 6 7; do
            local expected="$work/expected"
            [ "$index" -ge 8 ] && expected=""
            run_one 24 "$index" "${suite_24_names[$index]}" "${suite_24_commands[$index]}" \
                "$expected" "$run" "${suite_24_ranges[$index]}"
        done
    done
    for run in $(seq "$most"); do
        for index in "${!growth_names[@]}"; do
            [ "$run" -le "${growth_runs[$index]}" ] || continue
            run_one growth "$index" "${growth_names[$index]}" "${growth_commands[$index]}" \
                "${growth_expected[$index]}" "$run"
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
    median "$1" 1000 "${2:-1}"
}

# same_answers SUITE INDEX RUNS: "yes (R/R)" or how many runs differ.
same_answers() {
    if [ -s "$work/$1-mismatch-$2" ]; then
        echo "no ($(wc -l <"$work/$1-mismatch-$2") of $3 differ)"
    else
        echo "yes ($3/$3)"
    fi
}

shown() {
    local text=${1//$sweep/zelvoro-sweep}
    text=${text//$user_sweep/zelvoro-sweep}
    text=${text//--regid=$gid/--regid=GID}
    echo "${text//$net/NET}"
}

print_table() {
    local reference index median ratio
    reference=$(median_ms "$work/24-times-0")
    echo "| Tool | Command | Median (ms) | Ratio to zelvoro-sweep | Same answer set in every run |"
    echo "|---|---|---:|---:|---|"
    for index in 0 1 2 3 4 5 6 7; do
        median=$(median_ms "$work/24-times-$index")
        ratio=$(awk -v m="$median" -v r="$reference" 'BEGIN { printf "%.2f", m / r }')
        echo "| ${suite_24_names[$index]} | \`$(shown "${suite_24_commands[$index]}")\` |" \
            "$median | $ratio | $(same_answers 24 "$index" "$runs") |"
    done
}

print_floor() {
    local noop true start sending floor sweep_median ratio
    noop=$(median_ms "$work/24-times-8" 2)
    true=$(median_ms "$work/24-times-9" 2)
    start=$(awk -v a="$noop" -v b="$true" 'BEGIN { print (a < b ? a : b) }')
    sending=$(median "$work/sending" 1 2)
    floor=$(awk -v s="$start" -v t="$sending" 'BEGIN { printf "%.2f", s + t + 5 }')
    sweep_median=$(median_ms "$work/24-times-0" 2)
    # Each run's sweep against the floor made of its own process starts and sending time, all
    # measured moments apart (times in microseconds, sending in milliseconds).
    paste "$work/24-times-8" "$work/24-times-9" "$work/sending" "$work/24-times-0" |
        awk '{ start = $1 < $2 ? $1 : $2; print $4 / (start + $3 * 1000 + 5000) }' >"$work/ratios"
    ratio=$(median "$work/ratios" 1 3)
    echo "Floor of the /24 sweep: $floor ms = process start $start ms (no-op run" \
        "\`zelvoro-sweep --help\` $noop ms, /bin/true $true ms, medians) + sending $sending ms" \
        "(the tool's own clock, median of $(wc -l <"$work/sending") runs) + 5 ms." \
        "zelvoro-sweep: $sweep_median ms, $(awk -v m="$sweep_median" -v f="$floor" \
            'BEGIN { printf "%.3f", m / f }')× the floor; the median of each run's ratio to the" \
        "floor of its own process starts and sending time, measured right before it:" \
        "${ratio}×. Its own clock (medians): setting up $(median "$work/set-up" 1 3) ms from" \
        "the start of main to the first request (the socket, and the thread that turns receive" \
        "stamps on beside the sending)," \
        "sending $sending ms, waiting $(median "$work/waiting" 1 3) ms from the last request to" \
        "the last verdict, printing $(median "$work/printing" 1 3) ms. Replies listed silent" \
        "as they could not be timed (read late before the stamps were on): $(awk '{ s += $1 }
            END { print s + 0 }' "$work/undecided") in $(wc -l <"$work/undecided") runs."
}

print_growth() {
    local index
    echo "| Range | Tool | Command | Runs | Median (ms) | Same answer set in every run |"
    echo "|---|---|---|---:|---:|---|"
    for index in "${!growth_names[@]}"; do
        local name=${growth_names[$index]} range=${growth_names[$index]##* }
        [ "$range" = "$net.0/24" ] && range="NET.0/24 (on the link)"
        local median same
        median=$(median_ms "$work/growth-times-$index")
        same=$(same_answers growth "$index" "${growth_runs[$index]}")
        if [ -s "$work/growth-stopped-$index" ]; then
            median="stopped after $peer_limit s"
            same="-"
        fi
        echo "| $range | ${name%% *} | \`$(shown "${growth_commands[$index]#timeout * }")\` |" \
            "${growth_runs[$index]} | $median | $same |"
    done
}

export -f run_all run_one answer_set
export runs work sweep ZV_HOSTS
read -r load_before _ </proc/loadavg
ip netns exec "$ZV_SCAN" bash -c "$(declare -p suite_24_names suite_24_commands suite_24_ranges \
    growth_names growth_commands growth_expected growth_runs); run_all" || zv_fail "benchmark run failed"

echo "Sweep of $net.1-254 (NET = $net): $((${#ZV_KNOWN_HOSTS[@]} + 1)) answering (the scanner" \
    "and ${#ZV_KNOWN_HOSTS[@]} hosts), $((254 - ${#ZV_KNOWN_HOSTS[@]} - 1)) silent; $runs runs per tool, neighbour caches" \
    "flushed before each; $(nproc) CPUs, Linux $(uname -r); load average $load_before before" \
    "the runs, $(cut -d ' ' -f 1 /proc/loadavg) after."
echo
print_table
echo
print_floor
echo
echo "Host names after the sweep (zelvoro-sweep --names, timed inside the tool," \
    "$(wc -l <"$work/name-lookups") runs; the other hosts never answer mDNS or NetBIOS, so" \
    "each run waits for the 2 s limit): median $(median "$work/name-lookups" 1 1) ms," \
    "maximum $(sort -g "$work/name-lookups" | tail -n 1) ms. The sweep itself, timed inside" \
    "the tool: median $(median "$work/swept-0" 1 1) ms without --names," \
    "$(median "$work/swept-1" 1 1) ms with it."
echo
echo "How the cost grows: NET.0/24 on the link as above; the routed ranges reach the hosts" \
    "namespace through NET.2, which answers for" \
    "$(($(wc -l <"$work/expected-${routed_24[0]//\//_}"))) addresses of the /24," \
    "$(($(wc -l <"$work/expected-${routed_20[0]//\//_}"))) of the /20 and" \
    "$(($(wc -l <"$work/expected-${routed_16[0]//\//_}"))) of the /16 and drops the rest."
echo
print_growth
