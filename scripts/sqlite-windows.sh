#!/usr/bin/env bash
# Makes the SQLite amalgamation (sqlite3.c, sqlite3.h) that the Windows build
# compiles into the executable, from Debian's own sqlite3 source package, the
# same version as the Linux build links. Cached outside the work tree; prints
# the folder on its last line.
set -euo pipefail
version=3.40.1-2+deb12u2
cache="${XDG_CACHE_HOME:-$HOME/.cache}/quilvarest"
dossier="$cache/sqlite-$version"

if [ -f "$dossier/sqlite3.c" ] && [ -f "$dossier/sqlite3.h" ]; then
    echo "$dossier"
    exit 0
fi

bash "$(dirname "$0")/sources-debian.sh"
travail=$(mktemp -d "$cache/sqlite-travail.XXXXXX")
trap 'rm -rf "$travail"' EXIT
cd "$travail"
echo "Fetching the sqlite3 source package from Debian" >&2
apt-get source -qq --download-only "sqlite3=$version" >&2 2>/dev/null
dpkg-source -x "sqlite3_$version.dsc" source >/dev/null
mkdir construction
cd construction
echo "Generating the SQLite amalgamation" >&2
../source/configure >/dev/null
make sqlite3.c >/dev/null
mkdir -p "$dossier.part"
cp sqlite3.c sqlite3.h "$dossier.part/"
rm -rf "$dossier"
mv "$dossier.part" "$dossier"
echo "$dossier"
