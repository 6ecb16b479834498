#!/usr/bin/env bash
# Installs what is missing, builds the programs in build/release and installs them under PREFIX
# (the first argument; /usr/local when none is given, ~/.local for one user): the bundle, the
# launcher PREFIX/bin/kavrinet, the icon and the desktop entry of the application menu. A prefix
# this user cannot write to is installed with sudo.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-/usr/local}
"$here/scripts/install-packages.sh"
build="$here/build/release"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target Kavrinet KavrinetUI
sudo=()
if [ "$(id -u)" -ne 0 ] && ! { mkdir -p "$prefix" 2>/dev/null && [ -w "$prefix" ]; }; then
  if ! command -v sudo >/dev/null; then
    echo "Installing under $prefix needs root: run this as root (su -), or name a folder of yours (~/.local)." >&2
    exit 1
  fi
  sudo=(sudo)
fi
"${sudo[@]}" cmake --install "$build" --prefix "$prefix" --strip
# The install's list of files would stay root's, and a later install as this user could not
# rewrite it.
[ ${#sudo[@]} -eq 0 ] || sudo rm -f "$build/install_manifest.txt"
