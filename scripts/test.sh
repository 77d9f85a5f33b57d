#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; then builds the
# tests again with AddressSanitizer and UndefinedBehaviorSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

# The sanitizer build covers the parsing, file-moving, model and decoding code, where
# memory faults would hide; the widget tests run in the build above.
if [ "${VIDORRA_SKIP_SANITIZERS:-0}" != 1 ]; then
  asan_tests=(text_tests fixture_tests metadata_tests library_files_test library_scan_test
              import_test rename_test model_test preview_grading preview_cube preview_probe_lut
              preview_thumbnails preview_players preview_hevc preview_proxies preview_tiles preview_decoding
              preview_playback)
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIDORRA_SANITIZE=ON -DVIDORRA_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$jobs" --target "${asan_tests[@]}"
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600 -E '_NOT_BUILT|install_layout'
fi
