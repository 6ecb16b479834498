#!/usr/bin/env bash
# Removes what scripts/install.sh installed under PREFIX (the first argument; /usr/local when none
# is given): the files the install's list names (PREFIX/share/kavrinet/install-manifest.txt), then
# that list, and then the folders the install made, once they are empty. Settings, the event log
# and a login item of the user stay where they are.
set -euo pipefail
prefix=$(realpath -ms "${1:-/usr/local}")
lists="$prefix/share/kavrinet"
manifest="$lists/install-manifest.txt"
if [ ! -r "$manifest" ]; then
  echo "$manifest is missing: nothing installed under $prefix is known." >&2
  exit 1
fi
mapfile -t files < "$manifest"
for file in "${files[@]}"; do
  case "$file" in
    "$prefix"/*) ;;
    *) echo "$manifest lists $file, outside $prefix: the install was moved from where it was made." >&2
       exit 1 ;;
  esac
done
folders=()
[ ! -r "$lists/install-folders.txt" ] || mapfile -t folders < <(sort -r "$lists/install-folders.txt")
sudo=()
[ "$(id -u)" -eq 0 ] || [ -w "$prefix" ] || sudo=(sudo)
"${sudo[@]}" rm -f -- "${files[@]}"
# The list goes last of the files, so that a removal that fails can be run again.
"${sudo[@]}" rm -f -- "$manifest" "$lists/install-folders.txt"
for folder in "$lists" "${folders[@]}"; do
  [ ! -d "$folder" ] || "${sudo[@]}" rmdir --ignore-fail-on-non-empty -- "$folder"
done
