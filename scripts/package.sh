#!/usr/bin/env bash
# Installs what is needed, builds the default preset and makes the Debian package of the
# program with CPack: build/zelvoro_VERSION_ARCH.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh scripts/packages-build.txt scripts/packages-qt.txt \
  scripts/packages-package.txt
cmake --preset default > /dev/null
cmake --build --preset default -j "$(nproc)"
cpack --config build/CPackConfig.cmake -B build
