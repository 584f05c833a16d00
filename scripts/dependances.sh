#!/usr/bin/env bash
# Installs what building, running and testing Quilvarest needs on Debian 12.
# Does nothing when everything is already there, so every script can call it.
set -euo pipefail

paquets=(
    build-essential cmake pkg-config ccache
    qt6-base-dev libgl-dev libsqlite3-dev libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    xvfb xauth xdotool x11-utils python3 python3-xlib valgrind
    fonts-dejavu-core fonts-liberation2
    # The Windows build: cross compiler, Debian sources, Wine to run it.
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 ninja-build tcl
    wine wine64
    # The Windows installer (wixl) and its check (msiinfo).
    wixl msitools
    # The INI tests' session character sets (localedef).
    locales
    # The Debian package: its build (dpkg-shlibdeps), its check, and the
    # throwaway Debian root it is installed on (scripts/paquet.sh).
    dpkg-dev lintian mmdebstrap
    # System calls failed or a process killed at a chosen call, for the file
    # tests through the real executable.
    strace
)

manquants=()
for paquet in "${paquets[@]}"; do
    dpkg-query -W -f='${Status}' "$paquet" 2>/dev/null | grep -q "install ok installed" || manquants+=("$paquet")
done
[ ${#manquants[@]} -eq 0 ] && exit 0

echo "Installing: ${manquants[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${manquants[@]}"
