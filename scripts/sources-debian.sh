#!/usr/bin/env bash
# Adds the Debian source entries (deb-src) for the installed suite, once, so
# that apt-get source can fetch the packages the Windows build compiles.
set -euo pipefail
if grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src' /etc/apt/sources.list; then
    exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Adding the Debian source entries (deb-src)" >&2
$sudo tee /etc/apt/sources.list.d/quilvarest-sources.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
$sudo apt-get update -qq
