#!/usr/bin/env bash
# Fails when a tracked C or C++ source is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "Formatting: every tracked C and C++ source conforms to .clang-format"
