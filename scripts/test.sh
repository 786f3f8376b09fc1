#!/usr/bin/env bash
# Sets up the machine, builds Quillon with warnings as errors, and runs every test through CTest.
#   QUILLON_BUILD_DIR  build folder (default: build)
#   QUILLON_SANITIZE   ON for an AddressSanitizer + UndefinedBehaviorSanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build_dir=${QUILLON_BUILD_DIR:-build}
sanitize=${QUILLON_SANITIZE:-OFF}
build_type=RelWithDebInfo
extra=()
[ "$sanitize" = ON ] && build_type=Debug && extra=(-DQUILLON_BUILD_BENCH=OFF)

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="$build_type" -DQUILLON_WERROR=ON \
      -DQUILLON_SANITIZE="$sanitize" "${extra[@]}"
cmake --build "$build_dir" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" -j "$(nproc)" --output-on-failure --timeout 600
