#!/usr/bin/env bash
# Builds the programs in build/release (scripts/build-release.sh) and installs them under PREFIX
# (the first argument; /usr/local when none is given, ~/.local for one user): the bundle, the
# launcher PREFIX/bin/kavrinet, the menu entry, the icons, the metainfo, the manual page and the
# copyright. A prefix this user cannot write to is installed with sudo. The install's list of
# files (build/release/install_manifest.txt) and of the folders it made (install_folders.txt)
# stay this user's, for scripts/uninstall.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -ms "${1:-/usr/local}")
"$here/scripts/build-release.sh"
build="$here/build/release"
sudo=()
if [ "$(id -u)" -ne 0 ] && ! { mkdir -p "$prefix" 2>/dev/null && [ -w "$prefix" ]; }; then
  if ! command -v sudo >/dev/null; then
    echo "Installing under $prefix needs root: run this as root (su -), or name a folder of yours (~/.local)." >&2
    exit 1
  fi
  sudo=(sudo)
fi
# The folders the install will make: those of the tree, staged first as this user, that are not
# under the prefix yet.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$stage$prefix" && find . -mindepth 1 -type d -printf '%P\n') | while IFS= read -r folder; do
  [ -d "$prefix/$folder" ] || printf '%s\n' "$prefix/$folder"
done > "$build/install_folders.txt"
"${sudo[@]}" cmake --install "$build" --prefix "$prefix" --strip
[ ${#sudo[@]} -eq 0 ] || sudo chown "$(id -u):$(id -g)" "$build/install_manifest.txt"
