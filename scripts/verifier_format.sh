#!/usr/bin/env bash
# Fails when a tracked C++ source is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "Formatting: every tracked C++ source conforms to .clang-format"
