#!/usr/bin/env bash
# Installs what is missing, builds the programs and runs the agent.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-packages.sh"
build="$here/build/release"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"
agent="$build/Kavrinet.app/Contents/MacOS/Kavrinet"
if [ -x "$agent" ]; then
  exec "$agent" "$@"
fi
echo "Built the libraries and tests; the agent program is not part of the build yet."
