#!/bin/bash
# The settings window applies an address, mask, gateway and DNS servers to both adapters of a
# namespace for real, as root; run as a user without the right to change the network it reports
# both failures and changes nothing; a gateway equal to the new address is refused.
# shellcheck source=adapters_lib.sh
source "$(dirname "$0")/adapters_lib.sh"
runner=${1:?usage: apply_through_program.sh PATH_TO_ZELVORO_SCENARIO}
zv_require_root
group=$(id -gn nobody 2>/dev/null) || zv_skip "no user nobody"
za_topology
za_resolver_file $'# kept\nsearch example.test\nnameserver 192.0.2.53\noptions ndots:2\n'
resolver=$REPLY
zv_temp_dir
work=$REPLY
cp "$runner" "$work/runner" && chmod 755 "$work" "$work/runner" || zv_fail "cannot copy the runner"

IFS=. read -r n1 n2 n3 <<<"$ZV_NET"
cat >"$work/apply.scn" <<END
fake adapters real
click frmIPtest.cmdipset
set frmIpset.txbf1 "$n1"
set frmIpset.txbf2 "$n2"
set frmIpset.txbf3 "$n3"
set frmIpset.txbf4 "5"
set frmIpset.txbsub4 "128"
answer OK
click frmIpset.cmdok
set frmIpset.txbdnsf1 "198"
set frmIpset.txbdnsf2 "51"
set frmIpset.txbdnsf3 "100"
set frmIpset.txbdnsf4 "53"
set frmIpset.txbdnse1 "203"
set frmIpset.txbdnse2 "0"
set frmIpset.txbdnse3 "113"
set frmIpset.txbdnse4 "53"
answer OK
click frmIpset.cmdok2
END
chmod 644 "$work/apply.scn"

# $1: the expected boxes, one per apply; the rest: how to run the runner.
run_applies() {
    local expected=$1 transcript
    shift
    transcript=$(ip netns exec "$ZV_SCAN" "$@" "$work/runner" "$work/apply.scn") ||
        zv_fail "the runner exited with $?: $transcript"
    diff -u <(echo "$expected") <(grep -o 'msgbox OK "[^"]*" "[^"]*"' <<<"$transcript") ||
        zv_fail "boxes differ; transcript: $transcript"
}

before=$(za_state; cat "$resolver")
run_applies $'msgbox OK "失败" "IP设置失败!重试!"\nmsgbox OK "失败" "DNS设置失败!重试!"' \
    setpriv --reuid=nobody --regid="$group" --clear-groups --inh-caps=-all --bounding-set=-all --
diff -u <(echo "$before") <(za_state; cat "$resolver") || zv_fail "an unprivileged apply changed something"

run_applies $'msgbox OK "成功" "IP设置成功!"\nmsgbox OK "成功" "DNS设置成功!"'
expected=$(sort <<END
a0 $ZV_NET.5/25
a1 $ZV_NET.5/25
br0 192.0.2.12/24
lo 127.0.0.1/8
a0 via $ZV_NET.1 metric 1
a1 via $ZV_NET.1 metric 1
br0 via 192.0.2.1 metric 7
END
)
diff -u <(echo "$expected") <(za_state | sort) || zv_fail "addresses and routes after the apply"
expected_resolver=$'# kept\nsearch example.test\nnameserver 198.51.100.53\nnameserver 203.0.113.53\noptions ndots:2'
diff -u <(echo "$expected_resolver") "$resolver" || zv_fail "resolver file after the apply"
# A gateway equal to the address: refused, so the failure box, and the default routes stay.
sed -i 's/^set frmIpset.txbsub4 "128"$/&\nset frmIpset.txbe4 "5"/' "$work/apply.scn"
run_applies $'msgbox OK "失败" "IP设置失败!重试!"\nmsgbox OK "成功" "DNS设置成功!"'
diff -u <(echo "$expected") <(za_state | sort) || zv_fail "addresses and routes after the refusal"
echo "PASS: both adapters applied through the program; an unprivileged run changed nothing; a gateway equal to the address was refused"
