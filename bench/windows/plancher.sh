#!/usr/bin/env bash
# Start-up of Quilvarest.exe against the bare dialog built for Windows with
# the same static Qt, both under Wine, side by side in one run, under one
# Xvfb server started here.
#
#   bench/windows/plancher.sh [WINDOWS_BUILD [LINUX_BUILD [RUNS]]]
#
# WINDOWS_BUILD (default build-windows) holds Quilvarest.exe, Quilvarest.abs,
# dialogue_nu.exe and the Wine prefix wine/ that scripts/windows.sh makes;
# LINUX_BUILD (default build-bench) holds veilleur_peinture, which times the
# programs from outside. RUNS (default 20) runs of each, the order turning
# from one run to the next, after one unmeasured run of each:
#   - programme: Quilvarest.exe on a throwaway configuration file;
#   - plancher: dialogue_nu.exe, a window of type Qt::Window;
#   - plancher_dialogue: dialogue_nu.exe --dialogue, of type Qt::Dialog, as
#     the program's dialog is on Windows (src/plateforme/interface/
#     TypeFenetre.h).
# Each run: start to window mapped, then painted whole, and the CPU time the
# program's own threads had used by then (Wine's server not counted); then
# the window gets the keyboard focus and Enter presses Annuler, which must
# end the program with status 0 (and, for Quilvarest, write Erreur=1), or the
# run is void. Wine stays up during the whole run (demarrer_wine).
# Needs Xvfb, xdotool and wine. Times in ms. Reports; judges nothing.
set -u

ici=$(cd "$(dirname "$0")" && pwd)
. "$ici/../demarrage/commun.sh"
windows=$(cd "${1:-$racine/build-windows}" && pwd) || exit 1
linux=$(cd "${2:-$racine/build-bench}" && pwd) || exit 1
passages=${3:-20}
verifier_outils Xvfb xdotool wine
construit=$windows verifier_cibles Quilvarest.exe Quilvarest.abs dialogue_nu.exe wine
construit=$linux verifier_cibles veilleur_peinture
demarrer_wine "$windows"

# passage NAME: one measured start (passage_mesure).
passage() {
    local nom=$1 config="$travail/appel.ini"
    case $nom in
    programme)
        ecrire_config "$config"
        passage_mesure "$nom" "$config" env -u QT_QPA_PLATFORM wine "$windows/Quilvarest.exe" \
            "$(windows_chemin "$config")"
        ;;
    plancher_dialogue) passage_mesure "$nom" "" env -u QT_QPA_PLATFORM wine "$windows/dialogue_nu.exe" --dialogue ;;
    *) passage_mesure "$nom" "" env -u QT_QPA_PLATFORM wine "$windows/dialogue_nu.exe" ;;
    esac
}

noms=(programme plancher plancher_dialogue)
# Warms the file caches, the fonts and Wine's own; not counted.
for nom in "${noms[@]}"; do
    passage "$nom"
done
: >"$travail/resultats"
printf '%-18s %8s %8s %8s\n' run mapped painted cpu
for i in $(seq "$passages"); do
    for j in 0 1 2; do
        passage "${noms[(i + j) % 3]}"
        tail -n 1 "$travail/resultats" | awk '{ printf "%-18s %8.2f %8.2f %8.2f\n", $1, $2, $3, $4 }'
    done
done

colonnes=(3:painted_ms 2:mapped_ms 4:cpu_ms_when_painted)
echo
echo "Start-up under Wine, $passages runs each, $(date -u +%Y-%m-%dT%H:%MZ)"
echo "Quilvarest.exe against the bare dialog of type Qt::Dialog:"
comparer "$travail/resultats" programme plancher_dialogue prog floor_dlg "${colonnes[@]}"
echo "Quilvarest.exe against the bare dialog of type Qt::Window:"
comparer "$travail/resultats" programme plancher prog floor_win "${colonnes[@]}"
echo "The bare dialog, Qt::Dialog against Qt::Window:"
comparer "$travail/resultats" plancher_dialogue plancher floor_dlg floor_win "${colonnes[@]}"
