# Shared by mesurer.sh and instructions.sh: sourced, never run. Sets racine,
# premierCp, lignesBase; the caller sets construit before verifier_cibles.

nomScript=$(basename "$0")
racine=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
premierCp=$(head -n 1 "$racine/data/codes-postaux.txt" | cut -f 1)
lignesBase=$(wc -l <"$racine/data/codes-postaux.txt")

verifier_outils() {
    local outil
    for outil in "$@"; do
        if ! command -v "$outil" >/dev/null; then
            echo "$nomScript: $outil is missing (apt-get install xvfb xdotool valgrind)" >&2
            exit 1
        fi
    done
}

verifier_cibles() {
    local fichier
    for fichier in "$@"; do
        if [ ! -e "$construit/$fichier" ]; then
            echo "$nomScript: $construit/$fichier is missing: build it (bench/README.md, Commands)" >&2
            exit 1
        fi
    done
}

# A work folder and an Xvfb server of our own, both gone at exit; the
# environment both programs run in.
demarrer_xvfb() {
    travail=$(mktemp -d)
    xvfb=
    trap finir EXIT
    # Xvfb writes its display number on fd 3 once it accepts clients.
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$travail/affichage" 2>"$travail/xvfb.log" &
    xvfb=$!
    for _ in $(seq 100); do
        [ -s "$travail/affichage" ] && break
        sleep 0.1
    done
    if [ ! -s "$travail/affichage" ]; then
        echo "$nomScript: Xvfb did not start" >&2
        cat "$travail/xvfb.log" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n 1 "$travail/affichage")"
    export QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR="$travail/xdg"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    unset WAYLAND_DISPLAY QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_FONT_DPI
    # No session bus: Qt's accessibility probe then fails at once, where an
    # unset address would make libdbus fork to autolaunch one (in both
    # programs alike, but a fork is noise).
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$travail/sans-bus"
}

# Wine kept up for a whole run of bench/windows/, in the prefix of the
# Windows build $1, on an Xvfb server started here (demarrer_xvfb): one
# Windows program (cmd reading an empty pipe) keeps the prefix's server and
# desktop process alive, as a Windows session keeps its shell, so that no run
# pays for starting them. At exit the prefix is left to go idle (its desktop
# process lets go of the display) before the display goes.
demarrer_wine() {
    export WINEPREFIX="$1/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine's desktop process takes the display of the program that starts it:
    # one left from before (tests run without a display) must be gone first.
    wineserver -w
    demarrer_xvfb
    mkfifo "$travail/vide"
    env -u QT_QPA_PLATFORM wine cmd /k <"$travail/vide" >/dev/null 2>&1 &
    resident=$!
    exec 5>"$travail/vide"
    trap 'exec 5>&-; kill "$resident" 2>/dev/null; wait "$resident"; wineserver -w; finir' EXIT
}

# The Windows name of a file: Wine's drive Z: is the Unix root.
windows_chemin() {
    local chemin=${1//\//\\}
    echo "Z:$chemin"
}

finir() {
    # Only what this script started.
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$travail"
}

# Returns once the main thread of $1 has slept with its CPU time unchanged for
# ${2:-4} samples 50 ms apart (at most 60 s).
attendre_repos() {
    local pid=$1 echantillons=${2:-4} avant= temps etat stable=0 tours=0
    while [ "$stable" -lt "$echantillons" ] && [ "$tours" -lt 1200 ]; do
        sleep 0.05
        read -r temps _ <"/proc/$pid/schedstat" || return 1
        etat=$(sed 's/.*) //' "/proc/$pid/stat" | cut -d ' ' -f 1)
        if [ "$temps" = "$avant" ] && [ "$etat" = S ]; then
            stable=$((stable + 1))
        else
            stable=0
        fi
        avant=$temps
        tours=$((tours + 1))
    done
}

hwm() {
    awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}

# A throwaway configuration file with no starting criteria, in $1.
ecrire_config() {
    printf '[Quilvarest]\r\nZeruzuvoCp=\r\nZeruzuvoVille=\r\n' >"$1"
}

# Did Quilvarest return the first row of a full list into the file $1?
config_premiere_ligne() {
    grep -q $'^Erreur=0\r$' "$1" && grep -q "^Cp=$premierCp"$'\r$' "$1"
}

# The keys that list every row: the focus starts on Annuler and three tabs
# reach the postal-code box; % and Enter; then back to the list, so that no
# blinking text cursor keeps the program busy while it is watched for idleness.
# Then those that go back to Valider and press it.
touches_tout_lister() {
    xdotool key Tab Tab Tab percent Return shift+Tab
}
touches_valider() {
    xdotool key shift+Tab Return
}

# The line of the watcher's output $1 that starts with $2, waited for (30 s);
# a line "echec ..." ends the wait.
attendre_ligne() {
    local fichier=$1 mot=$2
    for _ in $(seq 600); do
        if grep -q "^$mot " "$fichier" 2>/dev/null; then
            grep "^$mot " "$fichier"
            return 0
        fi
        if grep -q '^echec' "$fichier" 2>/dev/null; then
            cat "$fichier" >&2
            return 1
        fi
        sleep 0.05
    done
    return 1
}

# One measured start of a window titled "Recherche" under the paint watcher of
# $linux: the command after $1 (NAME) and $2 (the caller's file, or "" for a
# program that takes none) runs, is cancelled with Return once painted, and
# must end with status 0, the caller's file then saying Erreur=1. Appends
# "name mapped painted cpu" to $travail/resultats.
passage_mesure() {
    local nom=$1 config=$2 sortie="$travail/veille"
    local veille pid carte peint cpu fenetre statut
    shift 2
    : >"$sortie"
    "$linux/veilleur_peinture" Recherche "$@" >"$sortie" 2>&1 &
    veille=$!
    read -r _ pid carte peint cpu < <(attendre_ligne "$sortie" peint) || {
        echo "$nomScript: $nom did not show its window" >&2
        exit 1
    }
    fenetre=$(xdotool search --onlyvisible --pid "$pid" --name '^Recherche$' | head -n 1)
    xdotool windowfocus "$fenetre" key Return
    wait "$veille"
    read -r _ statut _ < <(attendre_ligne "$sortie" fin)
    if [ "$statut" != 0 ] || { [ -n "$config" ] && ! grep -q $'^Erreur=1\r$' "$config"; }; then
        echo "$nomScript: $nom did not cancel cleanly (status $statut):" >&2
        cat "$sortie" >&2
        exit 1
    fi
    echo "$nom $carte $peint $cpu" >>"$travail/resultats"
}

# Median and minimum of column $3 of the lines of file $1 whose first field
# is $2.
statistique() {
    awk -v nom="$2" -v c="$3" '$1 == nom { print $c }' "$1" | sort -g |
        awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1] }'
}

# Side by side, for each column given as NUMBER:label, the median and the
# minimum of the runs named $2 and of those named $3 in the results file $1,
# and the ratio of the medians, $2 over $3; $4 and $5 head their columns.
comparer() {
    local resultats=$1 a=$2 b=$3 tete_a=$4 tete_b=$5 colonne am an bm bn
    shift 5
    printf '%-28s %12s %12s %12s %12s %10s\n' measure "${tete_a}_median" "${tete_b}_median" "${tete_a}_min" \
        "${tete_b}_min" ratio_med
    for colonne in "$@"; do
        read -r am an < <(statistique "$resultats" "$a" "${colonne%%:*}")
        read -r bm bn < <(statistique "$resultats" "$b" "${colonne%%:*}")
        awk -v t="${colonne#*:}" -v a="$am" -v b="$bm" -v c="$an" -v d="$bn" \
            'BEGIN { printf "%-28s %12.2f %12.2f %12.2f %12.2f %9.3fx\n", t, a, b, c, d, a / b }'
    done
}
