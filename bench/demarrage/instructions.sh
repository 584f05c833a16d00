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
# Then the first search of a process, for four searches, each program started
# anew with the search's criteria in its caller's file (Quilvarest) or its
# query (the bare dialog, SQLite's own LIKE on the same condition): the
# listing phase of each, Tab Tab Tab Enter Shift+Tab. The two must list the
# same first line. INSTRUCTIONS_PREMIERES=0 leaves these out.
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

# compter NAME KEYS CP TOWN SQL: runs one program under callgrind, Quilvarest
# ("programme") with CP and TOWN as the caller's starting criteria, or the
# bare dialog with SQL as its query; prints "name start-up listing closing".
# KEYS "taper" types % in the empty postal-code box before Enter (the full
# listing as mesurer.sh drives it); "criteres" presses Enter on the criteria
# the caller's file gave.
compter() {
    local nom=$1 touches=$2 cp=$3 ville=$4 sql=$5 config="$travail/appel.ini" erreurs="$travail/erreurs.$1" pid profil
    if [ "$nom" = programme ]; then
        printf '[Quilvarest]\r\nZeruzuvoCp=%s\r\nZeruzuvoVille=%s\r\n' "$cp" "$ville" >"$config"
        valgrind --tool=callgrind --callgrind-out-file="$travail/cg.$nom.%p" \
            "$construit/Quilvarest" "$config" 2>"$erreurs" &
    else
        valgrind --tool=callgrind --callgrind-out-file="$travail/cg.$nom.%p" \
            "$construit/dialogue_nu" --plein "$construit/Quilvarest.abs" "$sql" 2>"$erreurs" &
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
    if [ "$touches" = taper ]; then
        touches_tout_lister
    else
        xdotool key Tab Tab Tab Return shift+Tab
    fi
    attendre_repos "$pid" 10
    callgrind_control --dump "$pid" >/dev/null 2>&1
    attendre_fichier "$profil.2" || exit 1
    touches_valider
    wait "$pid"
    if [ "$nom" = programme ] && [ "$touches" = taper ]; then
        if ! config_premiere_ligne "$config"; then
            echo "$nomScript: Quilvarest did not return the first row of a full list" >&2
            exit 1
        fi
    elif [ "$nom" = programme ]; then
        # The row validated is the first one listed: the floor's must match.
        tr -d '\r' <"$config" | awk -F= '$1 == "Cp" { cp = $2 } $1 == "Ville" { v = $2 } END { print cp " - " v }' \
            >"$travail/premiere"
        if ! grep -q $'^Erreur=0\r$' "$config"; then
            echo "$nomScript: Quilvarest listed nothing for '$cp' '$ville'" >&2
            exit 1
        fi
    elif [ "$touches" = taper ] && ! grep -q "^dialogue_nu: $lignesBase lignes$" "$erreurs"; then
        echo "$nomScript: the bare dialog did not list every row" >&2
        exit 1
    elif [ "$touches" = criteres ] && ! grep -qxF "dialogue_nu: première $(cat "$travail/premiere")" "$erreurs"; then
        echo "$nomScript: the bare dialog's first line is not Quilvarest's ($(cat "$travail/premiere")):" >&2
        cat "$erreurs" >&2
        exit 1
    fi
    if [ -n "${CALLGRIND_KEEP:-}" ]; then
        mkdir -p "$CALLGRIND_KEEP"
        cp "$profil".* "$profil" "$CALLGRIND_KEEP/"
    fi
    echo "$nom $(total "$profil.1") $(total "$profil.2") $(total "$profil")"
}

tout='SELECT Cp, Ville FROM Quilvarest'
read -r _ p1 p2 p3 < <(compter programme taper "" "" "")
read -r _ f1 f2 f3 < <(compter plancher taper "" "" "$tout")
[ -n "${p1:-}" ] && [ -n "${f1:-}" ] || exit 1

echo "Instructions (callgrind Ir), Quilvarest against the bare dialog, $(date -u +%Y-%m-%dT%H:%MZ)"
printf '%-34s %14s %14s %8s\n' phase Quilvarest floor ratio
ligne() {
    awk -v t="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%-34s %14d %14d %7.3fx\n", t, a, b, a / b }'
}
ligne "start-up to idle, window shown" "$p1" "$f1"
ligne "listing every row (% Enter)" "$p2" "$f2"
ligne "validating and closing" "$p3" "$f3"
[ "${INSTRUCTIONS_PREMIERES:-1}" = 0 ] && exit 0

# The first search of a process, each in a process of its own: the criteria
# come from the caller's file (postal code "Commençant par", town "Contient"),
# Enter in the postal-code box runs it; the floor runs the same condition with
# SQLite's own LIKE on the upper-cased criterion, the other names joined by
# one IN over their table.
autres="Cp || char(9) || Ville IN (SELECT Cp || char(9) || Ville FROM AutresNoms WHERE Nom LIKE '%TOURLAVILLE%')"
cas=(
    "every row (%)|%||$tout WHERE Cp LIKE '%%'"
    "code 750, Commençant par|750||$tout WHERE Cp LIKE '750%'"
    "town saint, Contient||saint|$tout WHERE Ville LIKE '%SAINT%'"
    "other name tourlaville, Contient||tourlaville|$tout WHERE Ville LIKE '%TOURLAVILLE%' OR $autres"
)
echo
echo "First search of a process (listing phase only)"
printf '%-34s %14s %14s %8s\n' search Quilvarest floor ratio
for un in "${cas[@]}"; do
    IFS='|' read -r titre cp ville sql <<<"$un"
    read -r _ _ p _ < <(compter programme criteres "$cp" "$ville" "")
    read -r _ _ f _ < <(compter plancher criteres "$cp" "$ville" "$sql")
    [ -n "${p:-}" ] && [ -n "${f:-}" ] || exit 1
    ligne "$titre" "$p" "$f"
done
