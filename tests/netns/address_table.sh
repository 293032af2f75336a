#!/bin/bash
# The local address table of a namespace holding two interfaces: the interface with the lower
# index first, an interface's addresses in the kernel's order (primaries, then the secondary),
# labelled addresses with their interface, loopback last; each with its subnet mask.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
dump=${1:?usage: address_table.sh PATH_TO_ZELVORO_ADDRESS_TABLE_DUMP}
zv_require_root
ZV_SCAN="zv-addr-$$-$RANDOM"
zv_make_namespace "$ZV_SCAN"
zv_temp_dir
out=$REPLY

# The peer (b1) is made first and gets the lower index.
ip -n "$ZV_SCAN" link add b0 type veth peer name b1 || zv_fail "cannot create the veth pair"
ip -n "$ZV_SCAN" -batch - <<'ADDRESSES' || zv_fail "cannot add the addresses"
addr add 10.20.9.5/24 dev b0
addr add 10.20.9.3/24 dev b0
addr add 10.10.7.7/16 dev b0 label b0:web
addr add 10.30.1.1/16 dev b1 label b1:lan
addr add 10.30.2.2/16 dev b1 label other
link set b0 up
ADDRESSES
b0=$(ip -n "$ZV_SCAN" -o link show dev b0 | cut -d: -f1)
b1=$(ip -n "$ZV_SCAN" -o link show dev b1 | cut -d: -f1)
[ "$b1" -lt "$b0" ] || zv_fail "expected b1 ($b1) to have a lower index than b0 ($b0)"

cat >"$out/expected" <<EXPECTED
count 6
10.30.1.1 255.255.0.0
10.30.2.2 255.255.0.0
10.20.9.5 255.255.255.0
10.10.7.7 255.255.0.0
10.20.9.3 255.255.255.0
127.0.0.1 255.0.0.0
EXPECTED
ip netns exec "$ZV_SCAN" "$dump" >"$out/table" || zv_fail "the dump failed"
diff -u "$out/expected" "$out/table" || zv_fail "the table differs"
echo "PASS: address table of $ZV_SCAN"
