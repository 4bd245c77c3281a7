#!/usr/bin/env bash
# Builds the optimised configuration and starts the Glyphforge designer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGF_TESTS=OFF -DGF_BENCH=ON
cmake --build "$build"

app="$build/app/glyphforge"
if [ -x "$app" ]; then
  exec "$app" "$@"
fi
echo "Everything is built. The designer application ($app) is not built yet:"
echo "./run.sh will start it once it exists."
