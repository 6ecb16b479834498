#!/usr/bin/env bash
# Installs what building and running need (debian-packages.txt) and builds the programs in
# build/release: the Release configuration, with Debian's hardening flags, and without the tests
# and benchmarks, so that none of their packages (Qt Test, GoogleTest, Google Benchmark) is needed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-packages.sh"
build="$here/build/release"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVRINET_TESTS=OFF -DKAVRINET_BENCHMARKS=OFF
cmake --build "$build"
