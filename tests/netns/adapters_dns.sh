#!/bin/bash
# The DNS servers of a namespace go into its own resolver file: its nameserver lines are
# replaced in order, every other line stays. A file of resolved's stub is left alone: a process
# in a namespace never reconfigures the host's resolved.
# shellcheck source=adapters_lib.sh
source "$(dirname "$0")/adapters_lib.sh"
driver=${1:?usage: adapters_dns.sh PATH_TO_ZELVORO_ADAPTER_DRIVER}
zv_require_root
host_resolver=$(sha256sum /etc/resolv.conf 2>/dev/null)
za_topology
za_resolver_file '# made by the test
search example.test
nameserver 192.0.2.53
options ndots:2 timeout:1
nameserver 192.0.2.54
; last line'
resolver=$REPLY

za_expect_results $'a0 0\na1 0' "$driver" set-dns 198.51.100.53 203.0.113.53
diff -u - "$resolver" <<END || zv_fail "resolver file after the apply"
# made by the test
search example.test
nameserver 198.51.100.53
nameserver 203.0.113.53
options ndots:2 timeout:1
; last line
END

stub=$'nameserver 127.0.0.53\noptions edns0 trust-ad\n'
printf '%s' "$stub" >"$resolver"
za_expect_results $'a0 65\na1 65' "$driver" set-dns 198.51.100.53
[ "$(cat "$resolver"; echo .)" = "$stub." ] || zv_fail "resolved's file was changed"
[ "$(sha256sum /etc/resolv.conf 2>/dev/null)" = "$host_resolver" ] ||
    zv_fail "the host's resolver file changed"
echo "PASS: the namespace's resolver file was rewritten in place"
