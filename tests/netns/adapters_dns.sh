#!/bin/bash
# The DNS servers of a namespace go into its own resolver file: its nameserver lines are
# replaced in order, every other line stays. The file counts as resolved's only while resolved
# answers on the system bus (a process in a namespace would never reconfigure the host's
# resolved).
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

# Naming resolved's stub listener by hand leaves the file the namespace's own: the next apply
# rewrites it again.
za_expect_results $'a0 0\na1 0' "$driver" set-dns 127.0.0.53
za_expect_results $'a0 0\na1 0' "$driver" set-dns 198.51.100.53
[ "$(grep ^nameserver "$resolver")" = "nameserver 198.51.100.53" ] ||
    zv_fail "resolver file after naming the stub listener: $(cat "$resolver")"

# A file of resolved's own, but no resolved on the system bus (there is none at this address):
# rewritten too, its header and line ends kept.
printf '%s\r\n' '# This is /run/systemd/resolve/stub-resolv.conf managed by man:systemd-resolved(8).' \
    'nameserver 127.0.0.53' 'options edns0 trust-ad' >"$resolver"
za_expect_results $'a0 0\na1 0' env DBUS_SYSTEM_BUS_ADDRESS="unix:path=$resolver.no-bus" \
    "$driver" set-dns 198.51.100.53
printf '%s\r\n' '# This is /run/systemd/resolve/stub-resolv.conf managed by man:systemd-resolved(8).' \
    'nameserver 198.51.100.53' 'options edns0 trust-ad' | diff -u - "$resolver" ||
    zv_fail "resolved's file without resolved after the apply"
[ "$(sha256sum /etc/resolv.conf 2>/dev/null)" = "$host_resolver" ] ||
    zv_fail "the host's resolver file changed"
echo "PASS: the namespace's resolver file was rewritten in place"
