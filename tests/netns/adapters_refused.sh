#!/bin/bash
# Arguments the service refuses, by its own checks or by the kernel's, change nothing.
# shellcheck source=adapters_lib.sh
source "$(dirname "$0")/adapters_lib.sh"
driver=${1:?usage: adapters_refused.sh PATH_TO_ZELVORO_ADAPTER_DRIVER}
zv_require_root
za_topology
zv_temp_dir
resolver="$REPLY/resolv.conf"
printf 'nameserver 192.0.2.53\n' >"$resolver"
before=$(za_state; cat "$resolver")

# code|arguments (fields separated by spaces)
cases=(
    "66|enable-static $ZV_NET.5 255.0.255.0"
    "66|enable-static $ZV_NET.5 0.0.0.0"
    "70|enable-static $ZV_NET.0 255.255.255.0"
    "70|enable-static 224.0.0.5 255.255.255.0"
    "71|set-gateways ...1 1"
    "71|set-gateways 203.0.113.1 1"
    "70|set-dns 192.0.2.53 255.255.255.255"
)
for case in "${cases[@]}"; do
    code=${case%%|*}
    read -ra arguments <<<"${case#*|}"
    za_expect_results "a0 $code"$'\n'"a1 $code" "$driver" --resolver-file "$resolver" \
        "${arguments[@]}"
done
diff -u <(echo "$before") <(za_state; cat "$resolver") || zv_fail "a refused call changed something"

# The kernel's refusal is logged with its errno value beside the code it became.
logged=$(za_run "$driver" set-gateways 203.0.113.1 1 2>&1 >/dev/null)
expected="zelvoro-adapter-driver: a0: add default route via 203.0.113.1 metric 1: ENETUNREACH"
[[ $logged == *"$expected"*"-> 71"* ]] || zv_fail "logged: $logged"
echo "PASS: ${#cases[@]} refused calls, nothing changed"
