#!/bin/bash
# A user without the right to change the network gets access denied (91) from every method,
# and nothing changes.
# shellcheck source=adapters_lib.sh
source "$(dirname "$0")/adapters_lib.sh"
driver=${1:?usage: adapters_unprivileged.sh PATH_TO_ZELVORO_ADAPTER_DRIVER}
zv_require_root
group=$(id -gn nobody 2>/dev/null) || zv_skip "no user nobody"
za_topology
za_resolver_file $'nameserver 192.0.2.53\n'
resolver=$REPLY
zv_temp_dir
if ! cp "$driver" "$REPLY/driver" || ! chmod 755 "$REPLY/driver"; then
    zv_fail "cannot copy the driver"
fi
driver="$REPLY/driver"
before=$(za_state; cat "$resolver")

denied=$'a0 91\na1 91'
for call in "enable-static $ZV_NET.5 255.255.255.0" "set-gateways 192.0.2.1 1" \
    "set-dns 198.51.100.53"; do
    read -ra arguments <<<"$call"
    za_expect_results "$denied" setpriv --reuid=nobody --regid="$group" --clear-groups \
        --inh-caps=-all --bounding-set=-all -- "$driver" "${arguments[@]}"
done
diff -u <(echo "$before") <(za_state; cat "$resolver") || zv_fail "an unprivileged call changed something"
logged=$(za_run setpriv --reuid=nobody --regid="$group" --clear-groups --inh-caps=-all \
    --bounding-set=-all -- "$driver" enable-static "$ZV_NET.5" 255.255.255.0 2>&1 >/dev/null)
[[ $logged == *": a0: delete address "*": EPERM (Operation not permitted) -> 91"* ]] ||
    zv_fail "logged: $logged"
echo "PASS: user nobody was denied every change"
