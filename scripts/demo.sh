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

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    ./build/Quilvarest "$demo"
    echo "Exit status: $?"
else
    # No display here: the dialog runs on a virtual X server and a scripted
    # user does what an operator would: Enter in the postal-code box (which
    # holds the caller's "42"), then a double-click on the first town found.
    echo "No display: playing the demo on a virtual X server (Xvfb)."
    xvfb-run -a bash -c '
        ./build/Quilvarest "$1" & pid=$!
        fenetre=$(timeout 20 xdotool search --sync --onlyvisible --name "^Recherche$" | head -n 1)
        sleep 0.5
        xdotool mousemove --window "$fenetre" 220 28 click 1 key Return
        sleep 0.5
        xdotool mousemove --window "$fenetre" 100 90 click --repeat 2 --delay 80 1
        wait "$pid"; echo "Exit status: $?"' demo "$demo"
fi
echo "--- What the caller reads back:"
cat "$demo"
