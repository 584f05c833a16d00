#!/usr/bin/env bash
# Builds Quilvarest and runs every test, first in the ordinary build, then in
# a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependances.sh

jobs=$(nproc)
# The INI editor is also compared with the Windows profile functions under
# Wine (tests/reference_ini): ON makes a missing MinGW-w64 or Wine an error.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILVAREST_REFERENCE_INI=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILVAREST_SANITIZE=ON -DQUILVAREST_BENCH=OFF \
    -DQUILVAREST_REFERENCE_INI=ON
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs")
