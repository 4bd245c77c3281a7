#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer + UndefinedBehaviorSanitizer)
# into build-fuzz/. Installs clang with apt-get when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

if ! command -v clang++ >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends clang
fi

cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGF_FUZZ=ON -DGF_TESTS=OFF -DGF_BENCH=OFF
cmake --build build-fuzz "$@"
