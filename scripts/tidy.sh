#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the product code: every source file of the
# libraries and the application, and the project's own headers they include (not tests,
# benchmarks or fuzz targets). Exits non-zero on any finding.
#
# Only a compilation database is needed, so the build folder is configured, never built.
# Arguments are passed on to run-clang-tidy (-fix, say).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
if ! command -v run-clang-tidy >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends clang-tidy
fi

build=build-tidy
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGF_TESTS=OFF -DGF_BENCH=OFF -DGF_FUZZ=OFF >/dev/null

root=$(pwd)
product="^${root}/(app|backends|controls|design|forms|graphics|layers|platform|scene3d|ui2d)/"
run-clang-tidy -p "$build" -j "$(nproc)" -quiet -header-filter="$product" "$@" "$product"
