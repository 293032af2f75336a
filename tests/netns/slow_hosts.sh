#!/bin/bash
# Each reply judged against its own request's 5 ms: hosts answering from user space after
# 0.5 ms are answering, after 20 ms silent. A reply that arrives while the sweep is stopped
# (for 30 ms) still counts, as the kernel's receive time is what is judged.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: slow_hosts.sh PATH_TO_ZELVORO_SWEEP}
zv_require_root
command -v python3 >/dev/null || zv_skip "python3 is needed for the echo responder"
quick=(10 40 41) slow=(11 42) stopper=12
zv_topology "${quick[@]}" "${slow[@]}" "$stopper"
ip netns exec "$ZV_HOSTS" sysctl -qw net.ipv4.icmp_echo_ignore_all=1 ||
    zv_fail "cannot turn off the kernel's echo replies"
zv_temp_dir
out=$REPLY

specs=()
for octet in "${quick[@]}"; do specs+=("$ZV_NET.$octet:0.5"); done
for octet in "${slow[@]}"; do specs+=("$ZV_NET.$octet:20"); done
specs+=("$ZV_NET.$stopper:2:stop")
mkfifo "$out/ready"
# The responder answers from user space within fractions of a millisecond; real-time priority
# keeps it that fast while other work (a parallel build, other tests) keeps both cores busy.
realtime=()
chrt -f 20 true 2>/dev/null && realtime=(chrt -f 20)
ip netns exec "$ZV_HOSTS" "${realtime[@]}" python3 "$(dirname "$0")/echo_responder.py" \
    "$out/sweep.pid" "$out/late" \
    "${specs[@]}" >"$out/ready" &
ZV_PIDS+=($!)
read -r -t 10 line <"$out/ready"
[ "$line" = ready ] || zv_fail "the echo responder did not start"

zv_expected_lists 1 50 "${quick[@]}" "$stopper" >"$out/expected"
# Three rounds must be judged right. A round in which the responder itself answered late says
# nothing about the sweep and is repeated, a bounded number of times.
judged=0
for ((round = 1; round <= 10 && judged < 3; round++)); do
    : >"$out/late"
    ip netns exec "$ZV_SCAN" bash -c 'echo $$ >"$1" && shift && exec "$@"' _ "$out/sweep.pid" \
        "$sweep" "$ZV_NET.1" 50 >"$out/stdout" 2>"$out/stderr" ||
        zv_fail "round $round exited with $? ($(cat "$out/stderr"))"
    if [ -s "$out/late" ]; then
        echo "round $round repeated, the responder was late: $(head -n 1 "$out/late")"
        continue
    fi
    diff -u "$out/expected" "$out/stdout" || zv_fail "round $round: lists differ"
    judged=$((judged + 1))
done
[ "$judged" -eq 3 ] || zv_fail "the responder could not keep time in $((round - 1)) rounds"
echo "PASS: quick hosts answering, slow hosts silent, a reply received while stopped counted"
