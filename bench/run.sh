#!/usr/bin/env bash
# Builds the benchmarks in Release mode, generates the inputs and runs them.
# Usage: bash bench/run.sh [extra Google Benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANTELO_BUILD_BENCH=ON \
  -DCANTELO_BUILD_TESTS=OFF > /dev/null
cmake --build "$build" --target cantelo_bench
mkdir -p "$build/inputs"
gen=../shared/bench/gen_smf.py
for n in 5000 50000 500000; do
  f="$build/inputs/song$n.mid"
  [ -f "$f" ] || python3 "$gen" --notes "$n" "$f" > /dev/null
done
CANTELO_BENCH_DIR="$build/inputs" QT_QPA_PLATFORM=offscreen "$build/bench/cantelo_bench" "$@"
