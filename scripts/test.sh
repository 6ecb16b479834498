#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through ctest. Set KAVRINET_SANITIZE=OFF for a plain build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-packages.sh"
sanitize=${KAVRINET_SANITIZE:-ON}
build="$here/build/test-$( [ "$sanitize" = ON ] && echo sanitized || echo plain )"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVRINET_SANITIZE="$sanitize"
cmake --build "$build"
cd "$build"
ctest --output-on-failure --no-tests=error -j "$(nproc)"
