#!/usr/bin/env bash
# Builds Quilvarest and runs every test: the ordinary Linux build, a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build and
# its tests under Wine (scripts/windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependances.sh

bash scripts/verifier_format.sh

jobs=$(nproc)
# ccache, where installed, lets a fresh clone on the same machine reuse what
# an earlier build compiled: paths are taken relative to the clone.
lanceur=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$PWD"
    lanceur=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# Warnings are errors here: a new warning fails the run instead of scrolling by.
# The INI editor is also compared with the Windows profile functions under
# Wine (tests/reference_ini): ON makes a missing MinGW-w64 or Wine an error.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILVAREST_WERROR=ON -DQUILVAREST_REFERENCE_INI=ON "${lanceur[@]}"
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILVAREST_SANITIZE=ON -DQUILVAREST_BENCH=OFF -DQUILVAREST_WERROR=ON \
    -DQUILVAREST_REFERENCE_INI=ON "${lanceur[@]}"
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs")

bash scripts/windows.sh
