#!/usr/bin/env bash
# Start-up time and peak memory of Quilvarest against the bare dialog, side
# by side, under one Xvfb server started here.
#
#   bench/demarrage/mesurer.sh [BUILD_FOLDER [RUNS]]
#
# BUILD_FOLDER (default build-bench) holds Quilvarest, Quilvarest.abs,
# dialogue_nu and veilleur_peinture; RUNS (default 20) runs of each program,
# alternating which goes first, after one unmeasured run of each. Each run:
#   - veilleur_peinture starts the program and gives the time from its start to
#     its window mapped and then painted whole, seen from outside through the
#     X server's DAMAGE reports (see veilleur_peinture.cpp), and the CPU time
#     the program had used by then;
#   - once the program is idle (main thread asleep, its CPU time unchanged for
#     200 ms), VmHWM is read from /proc: the idle peak;
#   - the keys Tab Tab Tab % Enter go to the postal-code box: Quilvarest lists
#     every row of France, the bare dialog fills its model with every row of
#     the store (--plein); Shift+Tab then puts the focus on the list; once
#     idle again, VmHWM is read: the full peak;
#   - Shift+Tab Enter validates and closes. Quilvarest must then have
#     written "Erreur=0" and the first row's code into its throwaway
#     configuration file, and the bare dialog must report 35,672 lines, or the
#     run is void and the script stops.
# Needs Xvfb and xdotool (apt-get install xvfb xdotool). Prints one line per
# run, then the medians and minima. Times in ms, memory in MiB.
set -u

ici=$(cd "$(dirname "$0")" && pwd)
. "$ici/commun.sh"
construit=$(cd "${1:-$racine/build-bench}" && pwd) || exit 1
passages=${2:-20}
verifier_outils Xvfb xdotool
verifier_cibles Quilvarest Quilvarest.abs dialogue_nu veilleur_peinture
demarrer_xvfb

# passage NAME: one measured run of Quilvarest ("programme") or the bare
# dialog ("plancher"); appends "name mapped painted cpu idle full exit-peak"
# to the results (times in ms, memory in KiB).
passage() {
    local nom=$1 sortie="$travail/veille" erreurs="$travail/erreurs" config="$travail/appel.ini"
    local veille pid carte peint cpu repos plein statut maxrss
    : >"$sortie"
    : >"$erreurs"
    if [ "$nom" = programme ]; then
        ecrire_config "$config"
        "$construit/veilleur_peinture" Recherche "$construit/Quilvarest" "$config" >"$sortie" 2>"$erreurs" &
    else
        "$construit/veilleur_peinture" Recherche "$construit/dialogue_nu" --plein "$construit/Quilvarest.abs" \
            >"$sortie" 2>"$erreurs" &
    fi
    veille=$!
    read -r _ pid carte peint cpu < <(attendre_ligne "$sortie" peint) || {
        echo "$nomScript: $nom did not show its window" >&2
        cat "$erreurs" >&2
        exit 1
    }
    attendre_repos "$pid"
    repos=$(hwm "$pid")
    touches_tout_lister
    attendre_repos "$pid"
    plein=$(hwm "$pid")
    touches_valider
    wait "$veille"
    read -r _ statut maxrss < <(attendre_ligne "$sortie" fin)
    if [ "$nom" = programme ]; then
        if ! config_premiere_ligne "$config"; then
            echo "$nomScript: Quilvarest did not return the first row of a full list:" >&2
            cat "$config" "$erreurs" >&2
            exit 1
        fi
    elif ! grep -q "^dialogue_nu: $lignesBase lignes$" "$erreurs"; then
        echo "$nomScript: the bare dialog did not list every row:" >&2
        cat "$erreurs" >&2
        exit 1
    fi
    if [ "$statut" != 0 ]; then
        echo "$nomScript: $nom ended with status $statut" >&2
        exit 1
    fi
    echo "$nom $carte $peint $cpu $repos $plein $maxrss" >>"$travail/resultats"
}

# Warms the file caches and the font cache; not counted.
passage plancher
passage programme
: >"$travail/resultats"

printf '%-10s %8s %8s %8s %9s %9s %9s\n' run mapped painted cpu idle_KiB full_KiB exit_KiB
for i in $(seq "$passages"); do
    if [ $((i % 2)) -eq 1 ]; then
        ordre="plancher programme"
    else
        ordre="programme plancher"
    fi
    for nom in $ordre; do
        passage "$nom"
        tail -n 1 "$travail/resultats" | awk '{ printf "%-10s %8.2f %8.2f %8.2f %9d %9d %9d\n", $1, $2, $3, $4, $5, $6, $7 }'
    done
done

echo
echo "Quilvarest against the bare dialog, $passages runs each, $(date -u +%Y-%m-%dT%H:%MZ)"
comparer "$travail/resultats" programme plancher prog floor 3:painted_ms 2:mapped_ms 4:cpu_ms_when_painted
printf '%-28s %12s %12s %12s %12s %10s\n' measure prog_median floor_median prog_min floor_min diff_MiB
for colonne in 5:idle_VmHWM 6:full_VmHWM 7:exit_ru_maxrss; do
    read -r pm pn < <(statistique "$travail/resultats" programme "${colonne%%:*}")
    read -r fm fn < <(statistique "$travail/resultats" plancher "${colonne%%:*}")
    awk -v t="${colonne#*:}" -v a="$pm" -v b="$fm" -v c="$pn" -v d="$fn" \
        'BEGIN { printf "%-28s %12.2f %12.2f %12.2f %12.2f %+10.2f\n", t " (MiB)", a / 1024, b / 1024, c / 1024, d / 1024, (a - b) / 1024 }'
done
