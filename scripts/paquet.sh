#!/usr/bin/env bash
# Builds the Debian package from a build folder, checks it with lintian, then
# installs it with apt-get on a throwaway Debian 12 root, as on a clean
# system, and runs the end-to-end test there against the installed
# /usr/bin/Quilvarest. Nothing of that root is kept.
#
# Usage: bash scripts/paquet.sh [BUILD_FOLDER]   (default: build, already built)
# Needs root (the throwaway root is a chroot made by mmdebstrap) and Debian's
# package mirror. Downloaded packages are kept in ~/.cache/quilvarest/apt, so
# a second run on the same machine downloads nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
construit=$(realpath "${1:-build}")
bash scripts/dependances.sh

debut=$(date +%s)
rm -f "$construit"/quilvarest_*.deb
(cd "$construit" && cpack -G DEB >/dev/null)
paquet=$(echo "$construit"/quilvarest_*.deb)
echo "Package: $(basename "$paquet"), $(stat -c %s "$paquet") bytes"
dpkg-deb --field "$paquet" Depends

echo "--- lintian"
# Errors fail the run; warnings and notes are shown.
statut=0
rapport=$(lintian --fail-on error --display-info "$paquet" 2>&1) || statut=$?
echo "$rapport" | grep -v '^running with root privileges' || true
if [ "$statut" -ne 0 ]; then
    echo "paquet.sh: lintian reports errors (status $statut)" >&2
    exit 1
fi

echo "--- Installing on a fresh Debian 12 root"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quilvarest/apt
mkdir -p "$cache"
# The host's own Debian sources, where it has them; mmdebstrap's default
# mirror otherwise.
sources=()
[ -f /etc/apt/sources.list.d/debian.sources ] && sources=(/etc/apt/sources.list.d/debian.sources)
# The test tools only: the package itself must bring every library it needs.
outils=python3,python3-xlib,xvfb,xdotool,strace
e2e=$(realpath tests/e2e)
exemples=$(realpath examples)
# Each hook runs outside the root, which is "$1"; the last ones inside it
# through chroot, with /proc and /dev mounted by mmdebstrap.
mmdebstrap --variant=apt --include="$outils" --skip=essential/unlink --quiet \
    --setup-hook='mkdir -p "$1"/var/cache/apt/archives/' \
    --setup-hook="sync-in $cache /var/cache/apt/archives/" \
    --customize-hook="copy-in $paquet /tmp" \
    --customize-hook="copy-in $e2e /tmp" \
    --customize-hook="copy-in $exemples /tmp" \
    --customize-hook='chroot "$1" sh -c "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/quilvarest_*.deb \
        >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; exit 1; }
        echo \"apt-get: \$(grep -c \"^Setting up\" /tmp/apt.log) packages installed with quilvarest\""' \
    --customize-hook="sync-out /var/cache/apt/archives $cache" \
    --customize-hook='chroot "$1" sh -ec "
        test \"\$(readlink -f /usr/bin/Quilvarest)\" = /usr/lib/quilvarest/Quilvarest
        test -f /usr/lib/quilvarest/Quilvarest.abs
        test -f /usr/share/applications/quilvarest.desktop
        test -f /usr/share/doc/quilvarest/copyright
        cd /tmp && printf \"[Quilvarest]\n\" > sans-affichage.ini
        env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/Quilvarest sans-affichage.ini
        echo \"Without a display: status \$?\"
        /usr/bin/python3 /tmp/e2e/appel_quilvarest.py /usr/bin/Quilvarest"' \
    bookworm /dev/null "${sources[@]}"
echo "Package built, checked, installed and tried in $(($(date +%s) - debut)) s"
