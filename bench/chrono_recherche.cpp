// chrono_recherche [REPETITIONS]
//
// The dialog's whole search timed with a plain clock: LancerRecherche, then
// the event processing that lays the list out and paints it, as
// recherche/lancer_recherche of bench_recherche measures it, for every row
// of France (tout) and for %SAINT% (saint). Google Benchmark is not there for
// the Windows build; this program builds on every system, so that
// bench/windows/mesurer.sh compares the two in one run. The platform is the
// one Qt picks: the measuring script shows the dialog on its own Xvfb.
//
// Prints one line per search, "name rows median_ms min_ms paintings", the
// last being the list's paintings per search (1: each search was painted).
// Exit status 1 when a search listed nothing or the dialog met an error.

#include "FicheBanc.h"
#include "Fichiers.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Millisecondes(std::chrono::steady_clock::duration duree) {
    return std::chrono::duration<double, std::milli>(duree).count();
}

// Times repetitions searches of cas; false when the run is void.
bool Chronometrer(FicheBanc& banc, const Cas& cas, int repetitions) {
    banc.Criteres(cas);
    // Starts from a full list, as a second search does: its clearing counts.
    banc.fiche->LancerRecherche();
    Afficher();
    const long peinturesAvant = banc.peintures.nombre;
    std::vector<double> temps;
    for (int i = 0; i < repetitions; ++i) {
        const auto debut = std::chrono::steady_clock::now();
        banc.fiche->LancerRecherche();
        Afficher();
        temps.push_back(Millisecondes(std::chrono::steady_clock::now() - debut));
    }
    const int lignes = banc.Liste()->model()->rowCount();
    if (!banc.messagerie.messages.empty() || lignes == 0) {
        std::fprintf(stderr, "chrono_recherche: %s: %s\n", cas.nom,
                     banc.messagerie.messages.empty() ? "no row listed" : banc.messagerie.messages.front().c_str());
        return false;
    }
    std::sort(temps.begin(), temps.end());
    const std::size_t milieu = temps.size() / 2;
    const double mediane = temps.size() % 2 ? temps[milieu] : (temps[milieu - 1] + temps[milieu]) / 2;
    std::printf("%s %d %.3f %.3f %.2f\n", cas.nom, lignes, mediane, temps.front(),
                static_cast<double>(banc.peintures.nombre - peinturesAvant) / repetitions);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    if (!FichierExiste(CheminBase())) {
        std::fprintf(stderr, "chrono_recherche: no store at %s\n", CheminBase().c_str());
        return 1;
    }
    bool valide = true;
    {
        // The widgets go before the application object.
        FicheBanc banc;
        for (const Cas* cas : {&kTout, &kSaint}) {
            valide = Chronometrer(banc, *cas, repetitions) && valide;
        }
    }
    return valide ? 0 : 1;
}
