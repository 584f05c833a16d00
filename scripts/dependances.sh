#!/usr/bin/env bash
# Installs what building, running and testing Quilvarest needs on Debian 12.
# Does nothing when everything is already there, so every script can call it.
set -euo pipefail

paquets=(
    build-essential cmake pkg-config
    qt6-base-dev libgl-dev libsqlite3-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth xdotool x11-utils python3 python3-xlib valgrind
    fonts-dejavu-core fonts-liberation2
    locales g++-mingw-w64-x86-64-posix wine wine64
)

manquants=()
for paquet in "${paquets[@]}"; do
    dpkg-query -W -f='${Status}' "$paquet" 2>/dev/null | grep -q "install ok installed" || manquants+=("$paquet")
done
[ ${#manquants[@]} -eq 0 ] && exit 0

echo "Installation : ${manquants[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${manquants[@]}"
