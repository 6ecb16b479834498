#!/usr/bin/env bash
# Removes what scripts/install.sh installed under PREFIX (the first argument; /usr/local when none
# is given): the files its install manifest lists, then the folders that install made, once they
# are empty. The lists are those of build/release, or of the build folder given second. Settings,
# the event log and a login item of the user stay where they are.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -ms "${1:-/usr/local}")
build=${2:-$here/build/release}
manifest="$build/install_manifest.txt"
if [ ! -r "$manifest" ]; then
  echo "$manifest is missing: nothing installed from $build is known." >&2
  exit 1
fi
mapfile -t files < "$manifest"
for file in "${files[@]}"; do
  case "$file" in
    "$prefix"/*) ;;
    *) echo "$manifest lists $file, outside $prefix: the last install from $build went elsewhere." >&2
       exit 1 ;;
  esac
done
folders=()
[ ! -r "$build/install_folders.txt" ] || mapfile -t folders < <(sort -r "$build/install_folders.txt")
sudo=()
[ "$(id -u)" -eq 0 ] || [ -w "$prefix" ] || sudo=(sudo)
"${sudo[@]}" rm -f -- "${files[@]}"
for folder in "${folders[@]}"; do
  [ ! -d "$folder" ] || "${sudo[@]}" rmdir --ignore-fail-on-non-empty -- "$folder"
done
