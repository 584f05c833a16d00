#!/usr/bin/env bash
# Builds Quilvarest.exe for 64-bit Windows (build-windows/Quilvarest.exe and
# its store Quilvarest.abs) with Debian's MinGW-w64 against a static Qt built
# from Debian's qt6-base source, then runs the Windows tests under Wine and
# makes the release archive (build-windows/Quilvarest-*.zip); the installer
# build-windows/Quilvarest-*.msi comes with the build, which its test needs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependances.sh
jobs=$(nproc)
# ccache, where installed, as in scripts/tester.sh: a fresh clone reuses it.
lanceur=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$PWD"
    lanceur=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# The store is the same file on every system: the build machine's own tool
# writes it.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILVAREST_WERROR=ON "${lanceur[@]}" >/dev/null
cmake --build build -j"$jobs" --target ConstruireBase

qt=$(bash scripts/qt-windows.sh | tail -n 1)
sqlite=$(bash scripts/sqlite-windows.sh | tail -n 1)

cmake -S . -B build-windows -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
    -DQUILVAREST_SQLITE_SOURCE="$sqlite" \
    -DQUILVAREST_CONSTRUIRE_BASE="$PWD/build/tools/ConstruireBase" \
    -DCMAKE_BUILD_TYPE=Release -DQUILVAREST_BENCH=ON -DQUILVAREST_WERROR=ON "${lanceur[@]}"
cmake --build build-windows -j"$jobs"

# One Wine server for every test instead of one per start (it stops a minute
# after the last program); the first start makes the prefix, once, here,
# before tests run side by side.
serveur=(env WINEPREFIX="$PWD/build-windows/wine" wineserver)
mkdir -p build-windows/wine
"${serveur[@]}" -p 60 || true
debut=$(date +%s)
WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init 2>/dev/null
echo "Wine prefix ready in $(($(date +%s) - debut)) s"

if ! (cd build-windows && ctest --output-on-failure -j"$jobs"); then
    # Qt Test's reports under Wine go to files (see tests/CMakeLists.txt).
    grep -H -E '^(FAIL|XPASS|QFATAL|QWARN)|Loc:|failure location|Actual|Expected' build-windows/tests/*.txt || true
    "${serveur[@]}" -k || true
    exit 1
fi
"${serveur[@]}" -k || true
(cd build-windows && cpack -G ZIP)
