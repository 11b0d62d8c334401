#!/usr/bin/env bash
# Builds the benchmarks in Release mode, generates the inputs (once) and runs them.
# Usage: bash bench/run.sh [extra Google Benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANTELO_BUILD_BENCH=ON \
  -DCANTELO_BUILD_TESTS=OFF > /dev/null
cmake --build "$build" --target cantelo_bench
mkdir -p "$build/inputs"
gen=../shared/bench/gen_smf.py
for n in 5000 50000 500000 2000000; do
  f="$build/inputs/song$n.mid"
  [ -f "$f" ] || python3 "$gen" --notes "$n" "$f" > /dev/null
done
for n in 5000 40000; do
  f="$build/inputs/signatures$n.mid"
  [ -f "$f" ] || python3 bench/gen_maps.py --signatures "$n" "$f" > /dev/null
done
f="$build/inputs/tempos100000.mid"
[ -f "$f" ] || python3 bench/gen_maps.py --tempos 100000 "$f" > /dev/null
QT_QPA_PLATFORM=offscreen CANTELO_BENCH_DIR="$build/inputs" "$build/bench/cantelo_bench" "$@"
