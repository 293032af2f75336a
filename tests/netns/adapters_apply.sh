#!/bin/bash
# Every IP-enabled adapter gets exactly the new address, and a default route of its own via the
# new gateway; the links that are no adapters keep what they had.
# shellcheck source=adapters_lib.sh
source "$(dirname "$0")/adapters_lib.sh"
driver=${1:?usage: adapters_apply.sh PATH_TO_ZELVORO_ADAPTER_DRIVER}
zv_require_root
za_topology

adapters=$(za_run "$driver" list) || zv_fail "list exited with $?"
[ "$adapters" = $'a0\na1' ] || zv_fail "adapters listed: $adapters"

both_succeed=$'a0 0\na1 0'
za_expect_results "$both_succeed" "$driver" enable-static "$ZV_NET.5" 255.255.255.0
za_expect_results "$both_succeed" "$driver" set-gateways "$ZV_NET.1" 1
untouched=$'br0 192.0.2.12/24\nlo 127.0.0.1/8'
expected=$(sort <<END
a0 $ZV_NET.5/24
a1 $ZV_NET.5/24
$untouched
a0 via $ZV_NET.1 metric 1
a1 via $ZV_NET.1 metric 1
br0 via 192.0.2.1 metric 7
END
)
diff -u <(sort <<<"$expected") <(za_state | sort) || zv_fail "state after the first apply"

# The same gateway again finds the routes in place; another one replaces them.
za_expect_results "$both_succeed" "$driver" set-gateways "$ZV_NET.1" 1
diff -u <(sort <<<"$expected") <(za_state | sort) || zv_fail "state after the repeated apply"
za_expect_results "$both_succeed" "$driver" enable-static "$ZV_NET.6,$ZV_NET.130" \
    255.255.255.128,255.255.255.128
za_expect_results "$both_succeed" "$driver" set-gateways "$ZV_NET.126" 3
expected=$(sort <<END
a0 $ZV_NET.6/25
a0 $ZV_NET.130/25
a1 $ZV_NET.6/25
a1 $ZV_NET.130/25
$untouched
a0 via $ZV_NET.126 metric 3
a1 via $ZV_NET.126 metric 3
br0 via 192.0.2.1 metric 7
END
)
diff -u <(sort <<<"$expected") <(za_state | sort) || zv_fail "state after the second apply"
echo "PASS: both adapters carry the new addresses and a default route each"
