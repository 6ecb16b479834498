#!/usr/bin/env bash
# Builds the programs in build/release (scripts/build-release.sh) and runs the agent until it is
# stopped (Ctrl-C, SIGTERM, or quitting from its UI app).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/build-release.sh"
exec "$here/build/release/Kavrinet.app/Contents/MacOS/Kavrinet" "$@"
