#!/usr/bin/env bash
# Removes what scripts/install.sh installed under PREFIX (the first argument; /usr/local when none
# is given). Settings, the event log and a login item of the user stay where they are.
set -euo pipefail
prefix=${1:-/usr/local}
id=local.mirosal.Kavrinet
paths=("$prefix/bin/kavrinet" "$prefix/lib/kavrinet" "$prefix/share/applications/$id.desktop"
       "$prefix/share/icons/hicolor/scalable/apps/$id.svg")
sudo=()
[ "$(id -u)" -eq 0 ] || [ -w "$prefix" ] || sudo=(sudo)
"${sudo[@]}" rm -rf -- "${paths[@]}"
