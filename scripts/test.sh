#!/usr/bin/env bash
# Installs what the tests need, builds, and runs every test: the native build (unit tests,
# scenarios, Qt view tests, network-namespace tests, the Debian package), a plain Release build
# (compiled only), the headless build under AddressSanitizer and UBSan, the fuzzer with a fixed
# seed, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
lists=(scripts/packages-build.txt scripts/packages-test.txt scripts/packages-package.txt)
[[ -f scripts/packages-qt.txt ]] && lists+=(scripts/packages-qt.txt)
# Installing NetworkManager where systemd runs would enable it for this machine's own adapters
# at the next boot: there its test runs only when it is installed already, and skips otherwise.
if [[ ! -d /run/systemd/system ]] || command -v NetworkManager > /dev/null; then
  lists+=(scripts/packages-network-manager.txt)
else
  echo "not installing NetworkManager on a machine that runs systemd; its test will skip"
fi
scripts/install-packages.sh "${lists[@]}"

section() { printf '\n==== %s\n' "$*"; }

section "native build and tests"
cmake --preset default > /dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

# What a user or a packager builds (-O3, no preset), compiled once with warnings as errors so
# that no optimiser warning creeps in; the tests are left out to keep it short.
section "plain Release build (compile only)"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZELVORO_WERROR=ON -DZELVORO_TESTS=OFF \
  > /dev/null
cmake --build build-release -j "$jobs"

section "AddressSanitizer and UBSan"
cmake --preset sanitize > /dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs" --label-exclude netns

section "fuzzer"
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz -j "$jobs" --target octet_fields_fuzz address_page_fuzz name_packets_fuzz
ctest --preset fuzz --label-regex fuzz

section "Windows build under Wine"
scripts/test-windows.sh
