#!/usr/bin/env bash
# Builds the programs in build/release (scripts/build-release.sh) and makes the Debian package
# build/release/kavrinet_<version>_<architecture>.deb, whose dependencies dpkg-shlibdeps computes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/build-release.sh"
cd "$here/build/release"
cpack -G DEB
