#!/bin/bash
# Host names with --names: on the scanner's own subnet one host answers an mDNS reverse query,
# one a NetBIOS node status request, and a DNS server (the scanner namespace's own resolver
# file) holds a PTR record for a third; each name arrives with its source, after the MAC with
# --mac, and the other hosts get none. Then, with every responder silent (the DNS server takes
# the queries and answers none), no address gets a name and the names take at most their 2 s.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
sweep=${1:?usage: names.sh PATH_TO_ZELVORO_SWEEP}
responder="$(dirname "$0")/name_responder.py"
zv_require_root
command -v python3 >/dev/null || zv_skip "python3 is missing"

# mDNS .10, NetBIOS .20, DNS .30, nothing .40; the DNS server at .53.
zv_topology 10 20 30 40 53
etc_dir=/etc/netns/$ZV_SCAN
cleanup() {
    zv_cleanup
    rm -rf -- "$etc_dir"
    rmdir /etc/netns 2>/dev/null # only when no other namespace keeps files there
    return 0
}
trap cleanup EXIT
# "ip netns exec" mounts these over /etc/resolv.conf and /etc/hosts of the scanner alone.
mkdir -p "$etc_dir" || zv_fail "cannot create $etc_dir"
# The resolver's own timeouts (5 s, twice) are left as they are: far beyond the names' 2 s.
printf 'nameserver %s\n' "$ZV_NET.53" >"$etc_dir/resolv.conf"
printf '127.0.0.1 localhost\n' >"$etc_dir/hosts"

zv_temp_dir
out=$REPLY

# respond NAME ARG...: a responder in the hosts namespace, running once it has said so.
respond() {
    local name=$1 line=""
    shift
    mkfifo "$out/$name.ready" || zv_fail "mkfifo failed"
    ip netns exec "$ZV_HOSTS" python3 "$responder" "$@" >"$out/$name.ready" 2>"$out/$name.err" &
    ZV_PIDS+=($!)
    read -r -t 30 line <"$out/$name.ready"
    [ "$line" = ready ] || zv_fail "responder $name did not start: $(cat "$out/$name.err")"
}

# stop_responders: ends every responder started so far.
stop_responders() {
    local pid
    for pid in "${ZV_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    ZV_PIDS=()
}

# run_sweep NAME ARG...: the tool's stdout in $out/NAME, stderr in $out/NAME.err.
run_sweep() {
    zv_capture "$out" "$1" ip netns exec "$ZV_SCAN" "$sweep" "${@:2}"
}

# names_took NAME: the milliseconds the tool says the names took, whole.
names_took() {
    sed -n 's/^looked up names in \([0-9]*\)\.[0-9] ms$/\1/p' "$out/$1.err"
}

respond mdns mdns "$ZV_NET.10" printer-2f
respond netbios netbios "$ZV_NET.20" NAS01
respond dns dns "$ZV_NET.53" "$ZV_NET.30" files-3.example.lan
mac=$(ip -n "$ZV_HOSTS" -o link show veth1 | sed -n 's|.* link/ether \([0-9a-f:]*\) .*|\1|p')

run_sweep answered --mac --names "$ZV_NET.1" 254
zv_expected_lists 1 254 10 20 30 40 53 |
    sed -e "/^$ZV_NET\.\(10\|20\|30\|40\|53\)\$/s/\$/\t$mac/" \
        -e "s/^$ZV_NET\.10\t.*/&\tprinter-2f (mDNS)/" \
        -e "s/^$ZV_NET\.20\t.*/&\tNAS01 (NetBIOS)/" \
        -e "s/^$ZV_NET\.30\t.*/&\tfiles-3.example.lan (DNS)/" >"$out/answered.expected"
diff -u "$out/answered.expected" "$out/answered" || zv_fail "names with their sources: lists differ"
[ -n "$(names_took answered)" ] || zv_fail "no time of the names on stderr: $(cat "$out/answered.err")"

stop_responders
respond silent-dns silent "$ZV_NET.53" 53
respond silent-netbios silent "$ZV_NET.20" 137
run_sweep silent --names "$ZV_NET.1" 254
zv_expected_lists 1 254 10 20 30 40 53 >"$out/silent.expected"
diff -u "$out/silent.expected" "$out/silent" || zv_fail "silent responders: lists differ"
took=$(names_took silent)
# The limit and the time it takes the lookup's thread to wake up at it.
if [ -z "$took" ] || [ "$took" -ge 2500 ]; then
    zv_fail "silent responders: the names took ${took:-an unknown time} ms, beyond their 2 s"
fi
echo "PASS: mDNS, NetBIOS and DNS names with their sources; silent responders end in ${took} ms"
