#!/usr/bin/env bash
# Builds the static Qt 6 for Windows (x86-64, MinGW-w64) that the Windows build
# links, from Debian's own qt6-base source package, into a cache outside the
# work tree. Prints the install prefix on its last line. A cache already built
# with the same options is reused as it is: the first run takes 20-30 minutes
# on two cores, later runs a second.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
chaine="$racine/cmake/mingw-w64-x86_64.cmake"

# Only what the program and its tests need: Core, Gui, Widgets, Test, the
# windows platform plugin and its style. Debian's source lacks wintab.h, hence
# no tablet events; OpenGL stays on (dynamic: opengl32.dll is loaded only when
# asked), as the windows plugin of this Qt does not build without it.
options=(
    -DBUILD_SHARED_LIBS=OFF
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_opengl_dynamic=ON
    -DFEATURE_system_zlib=OFF -DFEATURE_png=ON -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
    -DFEATURE_harfbuzz=ON -DFEATURE_freetype=OFF
    -DCMAKE_BUILD_TYPE=Release
)
# A new compiler or new options make another cache folder.
empreinte=$( (printf '%s\n' "${options[@]}"; x86_64-w64-mingw32-g++-posix --version | head -n 1) |
    sha256sum | cut -c1-12)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/quilvarest"
prefixe="$cache/qt-6.4.2-mingw-$empreinte"

if [ -f "$prefixe/.complet" ]; then
    echo "$prefixe"
    exit 0
fi

# The sources come from Debian, for the same suite as the installed Qt.
bash "$racine/scripts/sources-debian.sh"

travail="$cache/qt-6.4.2-mingw-travail"
rm -rf "$travail"
mkdir -p "$travail"
cd "$travail"
echo "Fetching the qt6-base source package from Debian" >&2
apt-get source -qq --download-only qt6-base=6.4.2+dfsg-10 >&2
dpkg-source -x --skip-patches qt6-base_6.4.2+dfsg-10.dsc qtbase >&2

echo "Configuring Qt for Windows into $prefixe" >&2
cmake -S qtbase -B construction -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$chaine" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefixe" \
    "${options[@]}" >&2
echo "Building Qt (20 to 30 minutes on two cores)" >&2
cmake --build construction --parallel "$(nproc)" >&2
cmake --install construction >&2
touch "$prefixe/.complet"
cd "$cache"
rm -rf "$travail"
echo "$prefixe"
