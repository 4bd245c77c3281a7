#!/usr/bin/env bash
# Builds the optimised configuration and starts the Glyphforge designer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGF_TESTS=OFF -DGF_BENCH=ON
cmake --build "$build"

# The designer; a design file given as an argument opens at start.
exec "$build/app/glyphforge" "$@"
