#!/usr/bin/env bash
# Sets up, builds and starts the editor; arguments (a song to open) are passed to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
cmake -S . -B build -G Ninja
cmake --build build
exec build/src/cantelo-edit "$@"
