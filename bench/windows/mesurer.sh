#!/usr/bin/env bash
# Start-up and search of the Linux build against the Windows build under
# Wine, side by side in one run, under one Xvfb server started here.
#
#   bench/windows/mesurer.sh [LINUX_BUILD [WINDOWS_BUILD [RUNS]]]
#
# LINUX_BUILD (default build-bench) holds Quilvarest, Quilvarest.abs,
# chrono_recherche and veilleur_peinture; WINDOWS_BUILD (default
# build-windows) holds Quilvarest.exe, Quilvarest.abs, chrono_recherche.exe
# and the Wine prefix wine/ that scripts/windows.sh makes. RUNS (default 20).
#
# Wine stays up during the whole run (demarrer_wine, ../demarrage/commun.sh).
#   - Wine's own start: an empty Windows program (cmd /c exit), start to end.
#   - Start-up: veilleur_peinture times each program from its start to its
#     window mapped and painted whole, and the CPU time the program's threads
#     had used by then (Wine's server not counted). RUNS runs of each,
#     alternating which goes first, after one unmeasured run of each. Then the
#     window is given the keyboard focus (Wine's windows wait for a window
#     manager to give it) and Enter presses Annuler: the program must have
#     written Erreur=1 and ended with status 0, or the run is void.
#   - Search: chrono_recherche of each build, three times, alternating, RUNS
#     searches each time: the whole search of every row of France (tout) and
#     of %SAINT% (saint), shown on the same display; the table gives the
#     median and the minimum of the three runs' medians.
# Needs Xvfb, xdotool and wine. Times in ms. Reports; judges nothing.
set -u

ici=$(cd "$(dirname "$0")" && pwd)
. "$ici/../demarrage/commun.sh"
linux=$(cd "${1:-$racine/build-bench}" && pwd) || exit 1
windows=$(cd "${2:-$racine/build-windows}" && pwd) || exit 1
passages=${3:-20}
verifier_outils Xvfb xdotool wine
construit=$linux verifier_cibles Quilvarest Quilvarest.abs chrono_recherche veilleur_peinture
construit=$windows verifier_cibles Quilvarest.exe Quilvarest.abs chrono_recherche.exe wine

demarrer_wine "$windows"

# passage NAME: one measured start of Quilvarest, "linux" or "wine"; appends
# "name mapped painted cpu" to the results.
passage() {
    local nom=$1 config="$travail/appel.ini"
    ecrire_config "$config"
    if [ "$nom" = linux ]; then
        passage_mesure "$nom" "$config" "$linux/Quilvarest" "$config"
    else
        passage_mesure "$nom" "$config" env -u QT_QPA_PLATFORM wine "$windows/Quilvarest.exe" \
            "$(windows_chemin "$config")"
    fi
}

date_ms() {
    echo $(($(date +%s%N) / 1000000))
}

echo "Wine's own start: an empty program (cmd /c exit), start to end, $passages runs"
for _ in $(seq "$passages"); do
    debut=$(date_ms)
    wine cmd /c exit
    echo "vide $(($(date_ms) - debut))" >>"$travail/vide.txt"
done
read -r vm vn < <(statistique "$travail/vide.txt" vide 2)
printf 'median %.0f ms, min %.0f ms\n\n' "$vm" "$vn"

# Warms the file caches, the fonts and Wine's own; not counted.
passage linux
passage wine
: >"$travail/resultats"
printf '%-6s %8s %8s %8s\n' run mapped painted cpu
for i in $(seq "$passages"); do
    if [ $((i % 2)) -eq 1 ]; then ordre="linux wine"; else ordre="wine linux"; fi
    for nom in $ordre; do
        passage "$nom"
        tail -n 1 "$travail/resultats" | awk '{ printf "%-6s %8.2f %8.2f %8.2f\n", $1, $2, $3, $4 }'
    done
done

echo
echo "Start-up, Wine against Linux, $passages runs each, $(date -u +%Y-%m-%dT%H:%MZ)"
comparer "$travail/resultats" wine linux wine linux 3:painted_ms 2:mapped_ms 4:cpu_ms_when_painted

echo
echo "Search (chrono_recherche, $passages searches per run): system name rows median_ms min_ms paintings"
for ordre in "linux wine" "wine linux" "linux wine"; do
    for nom in $ordre; do
        if [ "$nom" = linux ]; then
            "$linux/chrono_recherche" "$passages" 2>"$travail/erreurs"
        else
            env -u QT_QPA_PLATFORM wine "$windows/chrono_recherche.exe" "$passages" 2>"$travail/erreurs"
        fi | sed "s/^/$nom /" | tee -a "$travail/recherche"
        [ "${PIPESTATUS[0]}" = 0 ] || { cat "$travail/erreurs" >&2; exit 1; }
    done
done
echo
echo "Search, Wine against Linux: median and minimum of the three runs' medians"
# One line per run: system, median of tout, median of saint.
awk '$2 == "tout" { tout = $4 } $2 == "saint" { print $1, tout, $4 }' "$travail/recherche" >"$travail/medianes"
comparer "$travail/medianes" wine linux wine linux 2:every_row_ms 3:saint_ms
