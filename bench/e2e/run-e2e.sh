#!/usr/bin/env bash
# Makes the 10,000-clip placeholder card once (nested DCIM folders of 500 clips), then
# starts the application on it under Xvfb and prints the figures.
#   run-e2e.sh SAMPLECARD_TOOL BENCH_E2E CARD_FOLDER XVFB_RUN
set -euo pipefail
tool="$1" bench="$2" card="$3" xvfb="$4"
if [ ! -d "$card" ]; then
  rm -rf "$card.partial"
  "$tool" "$card.partial" --clips 10000 --placeholder --per-folder 500
  mv "$card.partial" "$card"
fi
exec "$xvfb" -a -s "-screen 0 1440x900x24" "$bench" "$card"
