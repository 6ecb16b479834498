#!/usr/bin/env bash
# Installs what is missing, builds the programs and runs the agent until it is stopped (Ctrl-C,
# SIGTERM, or quitting from its UI app).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-packages.sh"
build="$here/build/release"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"
exec "$build/Kavrinet.app/Contents/MacOS/Kavrinet" "$@"
