#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for SECONDS
# (default 60), starting from seed corpora written by the fixture tools. The corpora
# grow in build-fuzz/corpus/<target>; crashes land in build-fuzz/artifacts/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDORRA_FUZZ=ON -DVIDORRA_TESTS=OFF -DVIDORRA_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-fuzz --target vidorra_fuzzers -j "$(nproc)"

corpus=build-fuzz/corpus
artifacts=build-fuzz/artifacts
mkdir -p "$corpus" "$artifacts"
for seeds in build-fuzz/fuzz/*/fuzz_seeds_*; do
  if [ -f "$seeds" ] && [ -x "$seeds" ]; then "$seeds" "$corpus"; fi
done

status=0
for target in build-fuzz/fuzz/*/fuzz_*; do
  name=$(basename "$target")
  case "$name" in fuzz_seeds_*) continue ;; esac
  [ -f "$target" ] && [ -x "$target" ] || continue
  mkdir -p "$corpus/$name"
  echo "== $name for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=0 "$target" "$corpus/$name" -max_total_time="$seconds" \
    -artifact_prefix="$artifacts/$name-" -print_final_stats=1 2>&1 | tail -n 12 || status=1
done
exit $status
