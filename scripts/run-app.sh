#!/usr/bin/env bash
# Installs what is needed, builds, and runs the application on the simulated Mac.
# Extra arguments go to the application.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target Tavro3D
exec "$build/app/Tavro3D" "$@"
