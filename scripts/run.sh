#!/usr/bin/env bash
# Sets up, builds and starts the program; arguments are passed to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
cmake -S . -B build -G Ninja
cmake --build build
if [ -x build/src/cantelo-edit ]; then
  exec build/src/cantelo-edit "$@"
fi
# Until the editor's window exists, the companion tool shows what the core reads from a song.
song="${1:-../shared/corpus/dmp__Negra_Sombra.kar}"
exec build/cli/cantelo-tool info "$song"
