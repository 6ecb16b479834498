#!/usr/bin/env bash
# Installs what is missing, builds the programs in build/release and makes the Debian package
# build/release/kavrinet_<version>_<architecture>.deb, whose dependencies dpkg-shlibdeps computes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-packages.sh"
build="$here/build/release"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target Kavrinet KavrinetUI
cd "$build"
cpack -G DEB
