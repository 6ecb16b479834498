#!/usr/bin/env bash
# Installs the Debian packages of debian-packages.txt that are not installed yet, and with --tests
# those of debian-packages-tests.txt too. Without root and without sudo (or when sudo refuses), it
# names the missing packages and the command an administrator runs, and fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
lists=("$here/debian-packages.txt")
[ "${1:-}" != --tests ] || lists+=("$here/debian-packages-tests.txt")
mapfile -t wanted < <(cat "${lists[@]}" | grep -v -E '^\s*(#|$)')
missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

ask_administrator() {
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "An administrator can install them with this command (as root):" >&2
  echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
  echo "then run this again." >&2
  exit 1
}
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || ask_administrator
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
{ "${sudo[@]}" apt-get update && "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; } ||
  ask_administrator
