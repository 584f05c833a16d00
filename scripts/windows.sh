#!/usr/bin/env bash
# Builds Quilvarest.exe for 64-bit Windows (build-windows/Quilvarest.exe and
# its store Quilvarest.abs) with Debian's MinGW-w64 against a static Qt built
# from Debian's qt6-base source, then runs the Windows tests under Wine and
# makes the release archive (build-windows/Quilvarest-*.zip).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependances.sh
jobs=$(nproc)

# The store is the same file on every system: the build machine's own tool
# writes it.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILVAREST_WERROR=ON >/dev/null
cmake --build build -j"$jobs" --target ConstruireBase

qt=$(bash scripts/qt-windows.sh | tail -n 1)
sqlite=$(bash scripts/sqlite-windows.sh | tail -n 1)

cmake -S . -B build-windows -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
    -DQUILVAREST_SQLITE_SOURCE="$sqlite" \
    -DQUILVAREST_CONSTRUIRE_BASE="$PWD/build/tools/ConstruireBase" \
    -DCMAKE_BUILD_TYPE=Release -DQUILVAREST_BENCH=OFF -DQUILVAREST_WERROR=ON
cmake --build build-windows -j"$jobs"

# The first start of Wine makes its prefix; done once here, before tests run
# side by side.
debut=$(date +%s)
WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init 2>/dev/null
echo "Wine prefix ready in $(($(date +%s) - debut)) s"

(cd build-windows && ctest --output-on-failure -j"$jobs")
(cd build-windows && cpack -G ZIP)
