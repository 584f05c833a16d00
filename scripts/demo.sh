#!/usr/bin/env bash
# Builds Quilvarest and opens its dialog on a demo configuration file, as a
# calling application would; when the dialog closes, prints the file as the
# caller reads it back.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependances.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target Quilvarest quilvarest_store

demo=$(mktemp -d)/appel.ini
printf '; written by the calling application\r\n[Quilvarest]\r\nZeruzuvoCp=42\r\nZeruzuvoVille=saint\r\n' >"$demo"
echo "Configuration file: $demo"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: the dialog opens under Xvfb (xvfb-run); it can be seen with a VNC viewer or a screenshot." >&2
    xvfb-run -a ./build/Quilvarest "$demo" || true
else
    ./build/Quilvarest "$demo"
fi
echo "Exit status: $?"
echo "--- What the caller reads back:"
cat "$demo"
