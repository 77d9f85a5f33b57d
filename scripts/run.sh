#!/usr/bin/env bash
# Installs what is missing, builds Vidorra and opens it on the given folders or files.
# Without any, it opens a sample memory card made once in the build folder, so the whole
# workflow can be tried at once (sort it, undo, rename; delete the folder for a fresh one).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vidorra vidorra-samplecard

if [ $# -eq 0 ]; then
  card="$PWD/build/sample-card"
  if [ ! -d "$card" ]; then
    build/tools/vidorra-samplecard "$card.partial" && mv "$card.partial" "$card"
  fi
  set -- "$card"
fi
exec build/src/app/vidorra "$@"
