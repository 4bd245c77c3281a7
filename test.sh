#!/usr/bin/env bash
# Builds the test configuration (AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# the whole test suite. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

build=build-test
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" \
  -DGF_SANITIZE=ON -DGF_WERROR=ON -DGF_TESTS=ON -DGF_BENCH=ON
cmake --build "$build"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LIBGL_ALWAYS_SOFTWARE=1
jobs=$(nproc)
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs" "$@"
