#!/bin/bash
# Adapters that NetworkManager manages are configured through it: a real NetworkManager runs in
# the test's namespace on a private system bus and manages the veths a0 (with a profile of its
# own) and a1 (without one). The program applies an address, a gateway and DNS servers; both
# adapters carry them, NetworkManager shows them, the profiles hold them (a1's is a new one),
# a restart of NetworkManager brings them back, and a0's other settings stay. A link of the same
# name in another namespace is not NetworkManager's. An invalid mask and a user NetworkManager
# refuses change nothing.
# shellcheck source=adapters_lib.sh
source "$(dirname "$0")/adapters_lib.sh"
scenario=${1:?usage: adapters_network_manager.sh PATH_TO_ZELVORO_SCENARIO}
zv_require_root
for tool in NetworkManager dbus-daemon nmcli unshare; do
    command -v "$tool" >/dev/null || zv_skip "$tool is missing"
done
group=$(id -gn nobody 2>/dev/null) || zv_skip "no user nobody"

NM_PID=""
BUS_PID=""
NM_DIR=""

nm_stop() {
    local pid
    for pid in "$NM_PID" "$BUS_PID"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    NM_PID=""
    BUS_PID=""
    return 0
}

nm_cleanup() {
    local status=$?
    if [ "$status" -ne 0 ] && [ -n "$NM_DIR" ] && [ -f "$NM_DIR/nm.log" ]; then
        echo "--- NetworkManager's log, last lines" >&2
        tail -n 40 "$NM_DIR/nm.log" >&2
    fi
    nm_stop
    za_cleanup
}
trap nm_cleanup EXIT

# nm_wait_for COMMAND...: polls COMMAND until it succeeds, for at most 15 seconds; its status.
nm_wait_for() {
    local tries
    for ((tries = 0; tries < 150; tries++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

nm_topology() {
    local tag="$$-$RANDOM" link
    ZV_NET="10.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1))"
    ZV_SCAN="zv-nm-$tag"
    zv_make_namespace "$ZV_SCAN"
    ZV_HOSTS="zv-nmpeers-$tag"
    zv_make_namespace "$ZV_HOSTS"
    for link in 0 1; do
        ip -n "$ZV_SCAN" link add "a$link" type veth peer name "p$link" netns "$ZV_HOSTS" ||
            zv_fail "cannot create the veth pair a$link"
        ip -n "$ZV_HOSTS" link set "p$link" up
        ip -n "$ZV_SCAN" link set "a$link" up
    done
}

# The private bus (anyone may connect, own and call; no services to start), NetworkManager's
# configuration, and a0's profile with settings besides IPv4 that must survive.
nm_files() {
    zv_temp_dir
    NM_DIR=$REPLY
    mkdir -m 700 "$NM_DIR/profiles" "$NM_DIR/empty"
    cat >"$NM_DIR/bus.conf" <<END
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$NM_DIR/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
END
    # dns=none: NetworkManager leaves every resolver file alone; root-only: it refuses any
    # change from another user without asking polkit.
    cat >"$NM_DIR/nm.conf" <<END
[main]
plugins=keyfile
no-auto-default=*
dns=none
rc-manager=unmanaged
auth-polkit=root-only
[keyfile]
path=$NM_DIR/profiles
END
    cat >"$NM_DIR/profiles/a0.nmconnection" <<END
[connection]
id=lan0
uuid=$(cat /proc/sys/kernel/random/uuid)
type=ethernet
interface-name=a0
zone=trusted
[ethernet]
mtu=1400
[ipv4]
method=manual
address1=192.0.2.10/24,192.0.2.1
dns=192.0.2.53;
[ipv6]
method=manual
address1=fd00:5::5/64
[proxy]
method=1
pac-url=http://192.0.2.80/wpad.dat
END
    chmod 600 "$NM_DIR/profiles/a0.nmconnection"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$NM_DIR/bus"
}

nm_device_state() { # DEVICE STATE: NetworkManager's state code of the device is STATE
    [ "$(nmcli -g GENERAL.STATE device show "$1" 2>/dev/null | cut -d' ' -f1)" = "$2" ]
}

# NetworkManager in the namespace, with a /run and a /var/lib/NetworkManager of its own and a
# read-only /sys (so that it manages the veths without udev), started afresh as after a reboot.
nm_start() {
    if [ -z "$BUS_PID" ]; then
        ip netns exec "$ZV_SCAN" dbus-daemon --config-file="$NM_DIR/bus.conf" --nofork \
            --nopidfile >>"$NM_DIR/bus.log" 2>&1 &
        BUS_PID=$!
        nm_wait_for test -S "$NM_DIR/bus" || zv_fail "the private bus did not start"
    fi
    # shellcheck disable=SC2016 # $1 is expanded by the inner shell
    ip netns exec "$ZV_SCAN" unshare -m sh -c 'mount -t tmpfs tmpfs /run &&
        mount -t tmpfs tmpfs /var/lib/NetworkManager && mount -o remount,ro /sys &&
        exec NetworkManager --debug --config="$1/nm.conf" --config-dir="$1/empty" \
            --system-config-dir="$1/empty" --intern-config="$1/intern.conf" \
            --state-file="$1/state"' sh "$NM_DIR" >>"$NM_DIR/nm.log" 2>&1 &
    NM_PID=$!
    nm_wait_for nm_device_state a0 100 || zv_fail "NetworkManager did not connect a0"
}

nm_restart() {
    kill "$NM_PID" && wait "$NM_PID"
    NM_PID=""
    # What NetworkManager left on the links goes, as in a reboot: only the saved profiles bring
    # it back (a link still configured would be taken over as it stands).
    ip -n "$ZV_SCAN" addr flush dev a0
    ip -n "$ZV_SCAN" addr flush dev a1
    nm_start
    nm_wait_for nm_device_state a1 100 || zv_fail "NetworkManager did not connect a1"
}

# run_program NAMESPACE SCRIPT [AS...]: the program in NAMESPACE (AS: a command that runs it as
# another user); prints the message boxes and adapter calls of its transcript.
run_program() {
    local namespace=$1 script=$2
    shift 2
    printf '%s\n' "fake adapters real" "click frmIPtest.cmdipset" "$script" >"$NM_DIR/run.scn"
    chmod 644 "$NM_DIR/run.scn"
    ip netns exec "$namespace" "$@" "$scenario" "$NM_DIR/run.scn" >"$NM_DIR/run.out" ||
        zv_fail "the program exited with $?: $(cat "$NM_DIR/run.out")"
    grep -E '^(wmi|msgbox) ' "$NM_DIR/run.out"
}

# set_row ROW A B C D: the script lines that fill an address row.
set_row() {
    local row=$1 field=1 octet
    shift
    for octet in "$@"; do
        echo "set frmIpset.$row$field \"$octet\""
        field=$((field + 1))
    done
}

# apply_address ADDRESS_LAST MASK...: the IP row NET.ADDRESS_LAST, the mask, gateway NET.1.
apply_address() {
    local last=$1
    shift
    IFS=. read -ra net <<<"$ZV_NET"
    set_row txbf "${net[@]}" "$last"
    set_row txbsub "$@"
    echo 'set frmIpset.txbe4 "1"'
    echo 'answer OK'
    echo 'click frmIpset.cmdok'
}

apply_dns() {
    IFS=. read -ra net <<<"$ZV_NET"
    set_row txbdnsf "${net[@]}" 53
    set_row txbdnse "${net[@]}" 54
    echo 'answer OK'
    echo 'click frmIpset.cmdok2'
}

# kernel_state: IPv4 addresses and default routes of a0 and a1, and a0's IPv6 global address.
kernel_state() {
    {
        ip -n "$ZV_SCAN" -j addr show |
            jq -r '.[] | select(.ifname | test("^a[01]$")) | .ifname as $dev | .addr_info[] |
                select(.family == "inet" or .scope == "global") | "\($dev) \(.local)/\(.prefixlen)"'
        ip -n "$ZV_SCAN" -j -4 route show default |
            jq -r '.[] | "\(.dev) via \(.gateway) metric \(.metric // 0)"'
    } | sort
}

# manager_state: NetworkManager's view of both devices, and the IPv4 part of their saved
# profiles.
manager_state() {
    local device profile
    for device in a0 a1; do
        nmcli -t -f IP4.ADDRESS,IP4.GATEWAY,IP4.DNS device show "$device" | sed "s/^/$device /"
        profile=$(grep -l "^interface-name=$device\$" "$NM_DIR"/profiles/*) ||
            zv_fail "no saved profile for $device"
        sed -n '/^\[ipv4\]/,/^$/p' "$profile" | grep . | sed "s/^/$device saved /"
    done
}

# other_settings: every setting of a0's profile but IPv4 (and the time it was last used).
other_settings() {
    nmcli -t -f connection,802-3-ethernet,ipv6,proxy connection show lan0 |
        grep -v '^connection.timestamp:'
}

nm_topology
za_resolver_file $'nameserver 192.0.2.99\n'
resolver=$REPLY
nm_files
nm_start
nm_wait_for nm_device_state a1 30 || zv_fail "NetworkManager does not manage a1"
settings_before=$(other_settings)

transcript=$(run_program "$ZV_SCAN" "$(apply_address 5 255 255 255 0; apply_dns)")
diff -u - <(echo "$transcript") <<END || zv_fail "the program's calls"
msgbox OKCancel "确定" "确定设置以上IP地址吗？" -> OK
wmi EnableStatic ("$ZV_NET.5") ("255.255.255.0") -> 0
wmi SetGateways ("$ZV_NET.1") (1) -> 0
wmi EnableStatic ("$ZV_NET.5") ("255.255.255.0") -> 0
wmi SetGateways ("$ZV_NET.1") (1) -> 0
msgbox OK "成功" "IP设置成功!" -> OK
msgbox OKCancel "确定" "确定设置以下为DNS？" -> OK
wmi SetDNSServerSearchOrder ("$ZV_NET.53" "$ZV_NET.54") -> 0
wmi SetDNSServerSearchOrder ("$ZV_NET.53" "$ZV_NET.54") -> 0
msgbox OK "成功" "DNS设置成功!" -> OK
END

expected_kernel=$(sort <<END
a0 $ZV_NET.5/24
a0 fd00:5::5/64
a1 $ZV_NET.5/24
a0 via $ZV_NET.1 metric 1
a1 via $ZV_NET.1 metric 1
END
)
expected_manager=$(for device in a0 a1; do
    sed "s/^/$device /" <<END
IP4.ADDRESS[1]:$ZV_NET.5/24
IP4.GATEWAY:$ZV_NET.1
IP4.DNS[1]:$ZV_NET.53
IP4.DNS[2]:$ZV_NET.54
saved [ipv4]
saved address1=$ZV_NET.5/24,$ZV_NET.1
saved dns=$ZV_NET.53;$ZV_NET.54;
saved ignore-auto-dns=true
saved method=manual
saved route-metric=1
END
done)
is_applied() {
    [ "$(kernel_state)" = "$expected_kernel" ] && [ "$(manager_state)" = "$expected_manager" ]
}
check_applied() { # WHEN
    nm_wait_for is_applied
    diff -u <(echo "$expected_kernel") <(kernel_state) || zv_fail "the links $1"
    diff -u <(echo "$expected_manager") <(manager_state) || zv_fail "NetworkManager's view $1"
}
check_applied "after the apply"
diff -u <(echo "$settings_before") <(other_settings) || zv_fail "a0's other settings changed"

nm_restart
check_applied "after a restart of NetworkManager"

# The program in another namespace, with a link of the same name but another hardware address,
# finds NetworkManager on the bus yet configures its own link through rtnetlink.
zv_namespace other
other=$REPLY
ip -n "$other" link add a0 type veth peer name p9 netns "$ZV_HOSTS" ||
    zv_fail "cannot create the veth pair in $other"
ip -n "$ZV_HOSTS" link set p9 up
ip -n "$other" link set a0 up
transcript=$(run_program "$other" "$(apply_address 9 255 255 255 0)")
diff -u - <(echo "$transcript") <<END || zv_fail "the calls in another namespace"
msgbox OKCancel "确定" "确定设置以上IP地址吗？" -> OK
wmi EnableStatic ("$ZV_NET.9") ("255.255.255.0") -> 0
wmi SetGateways ("$ZV_NET.1") (1) -> 0
msgbox OK "成功" "IP设置成功!" -> OK
END
other_state=$(ip -n "$other" -j -4 addr show dev a0 | jq -r '.[].addr_info[] | "\(.local)/\(.prefixlen)"'
    ip -n "$other" -j -4 route show default | jq -r '.[] | "\(.dev) via \(.gateway) metric \(.metric)"')
[ "$other_state" = "$ZV_NET.9/24"$'\n'"a0 via $ZV_NET.1 metric 1" ] ||
    zv_fail "the link in the other namespace: $other_state"
check_applied "after the apply in another namespace"

# A mask with a gap: EnableStatic refuses it before anything changes; SetGateways gets the
# gateway the adapters already have.
transcript=$(run_program "$ZV_SCAN" "$(apply_address 77 255 255 0 255)")
diff -u - <(echo "$transcript") <<END || zv_fail "the calls with an invalid mask"
msgbox OKCancel "确定" "确定设置以上IP地址吗？" -> OK
wmi EnableStatic ("$ZV_NET.77") ("255.255.0.255") -> 66
wmi SetGateways ("$ZV_NET.1") (1) -> 0
wmi EnableStatic ("$ZV_NET.77") ("255.255.0.255") -> 66
wmi SetGateways ("$ZV_NET.1") (1) -> 0
msgbox OK "失败" "IP设置失败!重试!" -> OK
END
check_applied "after the invalid mask"

# NetworkManager refuses every change of a user other than root: access denied, no change.
zv_temp_dir
if ! cp "$scenario" "$REPLY/zelvoro-scenario" || ! chmod 755 "$REPLY/zelvoro-scenario"; then
    zv_fail "cannot copy the program"
fi
scenario="$REPLY/zelvoro-scenario"
transcript=$(run_program "$ZV_SCAN" "$(apply_address 6 255 255 255 0; apply_dns)" setpriv --reuid=nobody \
    --regid="$group" --clear-groups --inh-caps=-all --bounding-set=-all --)
diff -u - <(echo "$transcript") <<END || zv_fail "the calls of user nobody"
msgbox OKCancel "确定" "确定设置以上IP地址吗？" -> OK
wmi EnableStatic ("$ZV_NET.6") ("255.255.255.0") -> 91
wmi SetGateways ("$ZV_NET.1") (1) -> 91
wmi EnableStatic ("$ZV_NET.6") ("255.255.255.0") -> 91
wmi SetGateways ("$ZV_NET.1") (1) -> 91
msgbox OK "失败" "IP设置失败!重试!" -> OK
msgbox OKCancel "确定" "确定设置以下为DNS？" -> OK
wmi SetDNSServerSearchOrder ("$ZV_NET.53" "$ZV_NET.54") -> 91
wmi SetDNSServerSearchOrder ("$ZV_NET.53" "$ZV_NET.54") -> 91
msgbox OK "失败" "DNS设置失败!重试!" -> OK
END
check_applied "after the refused user"

[ "$(cat "$resolver")" = "nameserver 192.0.2.99" ] || zv_fail "the namespace's resolver file changed"
echo "PASS: NetworkManager's adapters carry the new configuration, saved and applied"
