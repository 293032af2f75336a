#!/usr/bin/env bash
# Installs what the program needs, builds it and starts it: build/bin/zelvoro.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh scripts/packages-build.txt scripts/packages-run.txt
cmake --preset default > /dev/null
cmake --build --preset default -j "$(nproc)" --target zelvoro

echo "检测(ICMP)需要发送权限 / sweeps need the right to send ICMP:" \
  "sudo setcap cap_net_raw+ep build/bin/zelvoro" \
  "(or: sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\")"
exec build/bin/zelvoro "$@"
