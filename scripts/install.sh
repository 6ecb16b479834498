#!/usr/bin/env bash
# Builds the programs in build/release (scripts/build-release.sh) and installs them under PREFIX
# (the first argument; /usr/local when none is given, ~/.local for one user): the bundle, the
# launcher PREFIX/bin/kavrinet, the menu entry, the icons, the metainfo, the manual page and the
# copyright, folders 0755 and files 0644 (programs 0755) whatever the umask. A prefix this user
# cannot write to is installed with sudo. The install keeps, for scripts/uninstall.sh, the list of
# its files (PREFIX/share/kavrinet/install-manifest.txt, which cmake --install writes) and of the
# folders it made (install-folders.txt beside it), those of an earlier install there included.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -ms "${1:-/usr/local}")
"$here/scripts/build-release.sh"
build="$here/build/release"
lists="$prefix/share/kavrinet"
# The install makes the prefix, if need be, as it makes every folder (0755); whether this user may
# is up to the nearest folder that is there.
there=$prefix
made=()
while [ ! -e "$there" ]; do made+=("$there"); there=$(dirname "$there"); done
sudo=()
if [ "$(id -u)" -ne 0 ] && [ ! -w "$there" ]; then
  if ! command -v sudo >/dev/null; then
    echo "Installing under $prefix needs root: run this as root (su -), or name a folder of yours (~/.local)." >&2
    exit 1
  fi
  sudo=(sudo)
fi
# The folders the install will make: the prefix and those above it that are missing, and those of
# the tree, staged first as this user, that are not under the prefix yet.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >/dev/null
{
  [ ${#made[@]} -eq 0 ] || printf '%s\n' "${made[@]}"
  (cd "$stage$prefix" && find . -mindepth 1 -type d -printf '%P\n') | while IFS= read -r folder; do
    [ -d "$prefix/$folder" ] || printf '%s\n' "$prefix/$folder"
  done
  [ ! -r "$lists/install-folders.txt" ] || cat "$lists/install-folders.txt"
} | sort -u > "$stage/install-folders.txt"
"${sudo[@]}" cmake --install "$build" --prefix "$prefix" --strip
"${sudo[@]}" install -m 0644 "$stage/install-folders.txt" "$lists/install-folders.txt"
# CMake's own list in the build folder, which the next install from there rewrites as this user.
[ ${#sudo[@]} -eq 0 ] || sudo chown "$(id -u):$(id -g)" "$build/install_manifest.txt"
