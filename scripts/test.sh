#!/usr/bin/env bash
# Installs what is missing of both package lists, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test through ctest; a warning fails the build. Set
# KAVRINET_SANITIZE=OFF for a plain build, KAVRINET_JOBS to build and test with fewer jobs than
# there are processors.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-packages.sh" --tests
sanitize=${KAVRINET_SANITIZE:-ON}
jobs=${KAVRINET_JOBS:-$(nproc)}
build="$here/build/test-$( [ "$sanitize" = ON ] && echo sanitized || echo plain )"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVRINET_SANITIZE="$sanitize" \
  -DKAVRINET_WERROR=ON
cmake --build "$build" -j "$jobs"
cd "$build"
ctest --output-on-failure --no-tests=error -j "$jobs"
