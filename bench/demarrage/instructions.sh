#!/usr/bin/env bash
# Instructions executed by Quilvarest and by the bare dialog, counted by
# callgrind: unlike wall time, the count hardly moves when other programs share
# the machine, so small differences in start-up cost can be compared.
#
#   bench/demarrage/instructions.sh [BUILD_FOLDER]
#
# Under one Xvfb server of its own, each program runs under callgrind:
#   1. from its start until its window is shown and the program is idle
#      (main thread asleep, CPU time unchanged for 500 ms): dump 1, start-up;
#   2. the keys Tab Tab Tab % Enter Shift+Tab list every row and put the focus
#      on the list (see commun.sh); idle again: dump 2, the full listing with
#      its painting;
#   3. Shift+Tab Enter validates and closes: the rest, closing.
# Quilvarest must have returned the first row of the full list, and the bare
# dialog must report every line, or the script stops. Prints the counts and
# the ratios, and keeps the profiles when CALLGRIND_KEEP names a folder (read
# them with callgrind_annotate --inclusive=yes).
# Needs Xvfb, xdotool and valgrind.
set -u

ici=$(cd "$(dirname "$0")" && pwd)
. "$ici/commun.sh"
construit=$(cd "${1:-$racine/build-bench}" && pwd) || exit 1
verifier_outils Xvfb xdotool valgrind callgrind_control
verifier_cibles Quilvarest Quilvarest.abs dialogue_nu
demarrer_xvfb

# Total instructions of a callgrind dump.
total() {
    awk '/^totals:/ { print $2 }' "$1"
}

# Waits until the file $1 exists (60 s at most).
attendre_fichier() {
    for _ in $(seq 1200); do
        [ -s "$1" ] && return 0
        sleep 0.05
    done
    return 1
}

# compter NAME: runs one program under callgrind; prints "name start-up
# listing closing".
compter() {
    local nom=$1 config="$travail/appel.ini" erreurs="$travail/erreurs.$1" pid profil
    if [ "$nom" = programme ]; then
        ecrire_config "$config"
        valgrind --tool=callgrind --callgrind-out-file="$travail/cg.$nom.%p" \
            "$construit/Quilvarest" "$config" 2>"$erreurs" &
    else
        valgrind --tool=callgrind --callgrind-out-file="$travail/cg.$nom.%p" \
            "$construit/dialogue_nu" --plein "$construit/Quilvarest.abs" 2>"$erreurs" &
    fi
    pid=$!
    profil="$travail/cg.$nom.$pid"
    if ! timeout 120 xdotool search --sync --onlyvisible --name '^Recherche' >/dev/null; then
        echo "$nomScript: $nom did not show its window" >&2
        cat "$erreurs" >&2
        exit 1
    fi
    attendre_repos "$pid" 10
    callgrind_control --dump "$pid" >/dev/null 2>&1
    attendre_fichier "$profil.1" || exit 1
    touches_tout_lister
    attendre_repos "$pid" 10
    callgrind_control --dump "$pid" >/dev/null 2>&1
    attendre_fichier "$profil.2" || exit 1
    touches_valider
    wait "$pid"
    if [ "$nom" = programme ]; then
        if ! config_premiere_ligne "$config"; then
            echo "$nomScript: Quilvarest did not return the first row of a full list" >&2
            exit 1
        fi
    elif ! grep -q "^dialogue_nu: $lignesBase lignes$" "$erreurs"; then
        echo "$nomScript: the bare dialog did not list every row" >&2
        exit 1
    fi
    if [ -n "${CALLGRIND_KEEP:-}" ]; then
        mkdir -p "$CALLGRIND_KEEP"
        cp "$profil".* "$profil" "$CALLGRIND_KEEP/"
    fi
    echo "$nom $(total "$profil.1") $(total "$profil.2") $(total "$profil")"
}

read -r _ p1 p2 p3 < <(compter programme)
read -r _ f1 f2 f3 < <(compter plancher)
[ -n "${p1:-}" ] && [ -n "${f1:-}" ] || exit 1

echo "Instructions (callgrind Ir), Quilvarest against the bare dialog, $(date -u +%Y-%m-%dT%H:%MZ)"
printf '%-34s %14s %14s %8s\n' phase Quilvarest floor ratio
awk -v a="$p1" -v b="$f1" 'BEGIN { printf "%-34s %14d %14d %7.3fx\n", "start-up to idle, window shown", a, b, a / b }'
awk -v a="$p2" -v b="$f2" 'BEGIN { printf "%-34s %14d %14d %7.3fx\n", "listing every row (% Enter)", a, b, a / b }'
awk -v a="$p3" -v b="$f3" 'BEGIN { printf "%-34s %14d %14d %7.3fx\n", "validating and closing", a, b, a / b }'
