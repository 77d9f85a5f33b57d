#!/usr/bin/env bash
# Installs what is missing, builds Vidorra and opens it (on the given folders, if any).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/src/app/vidorra ]; then
  exec build/src/app/vidorra "$@"
else
  exec build/tools/vidorra-probe "${@:-.}"
fi
