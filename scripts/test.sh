#!/usr/bin/env bash
# Sets up, builds and runs every test. Extra CMake options may be given in CANTELO_CMAKE_ARGS
# and the build folder in CANTELO_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
build="${CANTELO_BUILD_DIR:-build}"
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja ${CANTELO_CMAKE_ARGS:-}
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
