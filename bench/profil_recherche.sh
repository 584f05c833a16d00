#!/usr/bin/env bash
# Instructions (callgrind Ir) of one LancerRecherche, its painting included,
# for every row and for %SAINT%: a count that hardly moves on a busy machine,
# to compare two builds of the search.
#
#   bench/profil_recherche.sh [BUILD_FOLDER]
#
# Only what runs inside LancerRecherche and the following processEvents is
# counted; the benchmark calls LancerRecherche once to fill the list before
# its one timed iteration, so the total is divided by the number of calls.
# Keeps the profiles when CALLGRIND_KEEP names a folder.
set -u

racine=$(cd "$(dirname "$0")/.." && pwd)
construit=$(cd "${1:-$racine/build-bench}" && pwd) || exit 1
command -v valgrind >/dev/null || {
    echo "profil_recherche.sh: valgrind is missing" >&2
    exit 1
}
travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT

for cas in tout saint; do
    profil="$travail/cg.$cas"
    valgrind --tool=callgrind --callgrind-out-file="$profil" \
        --toggle-collect='TFicheRechercherCpVille::LancerRecherche*' \
        --toggle-collect='QCoreApplication::processEvents*' \
        "$construit/bench_recherche" --benchmark_filter="recherche/lancer_recherche/$cas\$" \
        --benchmark_repetitions=1 --benchmark_min_time=0.001 >/dev/null 2>&1 || exit 1
    total=$(awk '/^totals:/ { print $2 }' "$profil")
    appels=$(callgrind_annotate --tree=caller "$profil" 2>/dev/null | grep '< .*BM_LancerRecherche' |
        grep -v processEvents | head -n 1 | sed -E 's/.*\(([0-9]+)x\).*/\1/')
    printf '%-6s %12d Ir per LancerRecherche (%d calls)\n' "$cas" $((total / appels)) "$appels"
    if [ -n "${CALLGRIND_KEEP:-}" ]; then
        mkdir -p "$CALLGRIND_KEEP" && cp "$profil" "$CALLGRIND_KEEP/"
    fi
done
