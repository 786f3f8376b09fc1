#!/usr/bin/env bash
# Sets up the machine, builds Quillon and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [ -x build/src/ui/quillon ]; then
  exec build/src/ui/quillon
fi
exec build/tools/quillon-cli/quillon-cli tree samples/sample.xml
