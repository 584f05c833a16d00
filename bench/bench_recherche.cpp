// Search benchmarks: composing the query text, reading the store through
// BaseSql/RequeteSql, the dialog's whole LancerRecherche, and in the same run
// the floor they are held against: a bare SQLite read (plain connection,
// built-in LIKE) building the same lines, and a bare QStringListModel fill
// under a QListView. At the end the ratios of the medians and of the minima
// are printed. Runs on the offscreen platform; the store must sit beside the
// executable, where the dialog looks for it.

#include "BaseSql.h"
#include "ComposerRequete.h"
#include "FicheBanc.h"
#include "Fichiers.h"

#include <QApplication>
#include <QListView>
#include <QStringListModel>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

// A search that listed nothing means a missing or broken store: the figures
// would be void.
bool Verifier(benchmark::State& etat, double lignes) {
    if (lignes == 0) {
        etat.SkipWithError("no row read: is Quilvarest.abs beside the executable?");
        return false;
    }
    etat.counters["lignes"] = lignes;
    return true;
}

// ---- Query text -------------------------------------------------------------

void BM_ComposerRequete(benchmark::State& etat, std::string cp, std::string ville, int modeCp, int modeVille) {
    for (auto _ : etat) {
        std::optional<std::string> requete = ComposerRequete(cp, ville, modeCp, modeVille);
        benchmark::DoNotOptimize(requete);
    }
}

// ---- The store through BaseSql / RequeteSql --------------------------------

void BM_RequeteSql(benchmark::State& etat, const Cas& cas) {
    BaseSql base;
    base.SetDatabaseFileName(CheminBase());
    RequeteSql requete(base);
    const std::string sql = ComposerRequete(cas.critereCp, cas.critereVille, CommencantPar, cas.modeVille).value();
    std::size_t lignes = 0;
    try {
        for (auto _ : etat) {
            requete.ClearSql();
            requete.AddSql(sql);
            requete.Open();
            lignes = 0;
            while (!requete.Eof()) {
                const std::string cp = requete.FieldByName("Cp");
                const std::string ville = requete.FieldByName("Ville");
                benchmark::DoNotOptimize(cp.data());
                benchmark::DoNotOptimize(ville.data());
                ++lignes;
                requete.Next();
            }
            requete.Close();
        }
    } catch (const std::exception& erreur) {
        etat.SkipWithError(erreur.what());
        return;
    }
    if (Verifier(etat, static_cast<double>(lignes))) {
        etat.SetItemsProcessed(static_cast<int64_t>(etat.iterations() * lignes));
    }
}

// ---- The whole search of the dialog -----------------------------------------

// The widgets must go before the application object: main releases them.
std::unique_ptr<FicheBanc> ficheBanc;

FicheBanc& Fiche() {
    if (!ficheBanc) {
        ficheBanc = std::make_unique<FicheBanc>();
    }
    return *ficheBanc;
}

void BM_LancerRecherche(benchmark::State& etat, const Cas& cas) {
    FicheBanc& banc = Fiche();
    banc.Criteres(cas);
    // Starts from a full list, as a second search does: its clearing counts.
    banc.fiche->LancerRecherche();
    Afficher();
    const long peinturesAvant = banc.peintures.nombre;
    for (auto _ : etat) {
        banc.fiche->LancerRecherche();
        Afficher();
    }
    if (!banc.messagerie.messages.empty()) {
        etat.SkipWithError(banc.messagerie.messages.front().c_str());
        return;
    }
    if (!Verifier(etat, banc.Liste()->model()->rowCount())) {
        return;
    }
    etat.counters["peintures"] = benchmark::Counter(static_cast<double>(banc.peintures.nombre - peinturesAvant),
                                                    benchmark::Counter::kAvgIterations);
}

// ---- The floor: bare SQLite, bare model and view ----------------------------

struct FermerConnexion {
    void operator()(sqlite3* connexion) const { sqlite3_close_v2(connexion); }
};
using ConnexionNue = std::unique_ptr<sqlite3, FermerConnexion>;

// A plain read-only connection: no collation, no function of ours.
ConnexionNue OuvrirNue() {
    sqlite3* connexion = nullptr;
    if (sqlite3_open_v2(CheminBase().c_str(), &connexion, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "store: %s\n", sqlite3_errmsg(connexion));
    }
    return ConnexionNue(connexion);
}

// The same "Cp - Ville" lines, read with the built-in LIKE; the pattern is a
// bound value, as in the program.
QStringList LireNu(sqlite3* connexion, const Cas& cas) {
    std::string sql = "SELECT Cp, Ville FROM Quilvarest WHERE ";
    sql += cas.likeNu;
    sqlite3_stmt* instruction = nullptr;
    sqlite3_prepare_v2(connexion, sql.c_str(), -1, &instruction, nullptr);
    QStringList lignes;
    std::string ligne;
    while (sqlite3_step(instruction) == SQLITE_ROW) {
        ligne.assign(reinterpret_cast<const char*>(sqlite3_column_text(instruction, 0)),
                     static_cast<std::size_t>(sqlite3_column_bytes(instruction, 0)));
        ligne += " - ";
        ligne.append(reinterpret_cast<const char*>(sqlite3_column_text(instruction, 1)),
                     static_cast<std::size_t>(sqlite3_column_bytes(instruction, 1)));
        lignes.append(QString::fromUtf8(ligne.data(), static_cast<qsizetype>(ligne.size())));
    }
    sqlite3_finalize(instruction);
    return lignes;
}

// A plain window holding a QListView of the dialog's size on a
// QStringListModel, uniform item sizes, no style sheet.
struct VueNue {
    QWidget fenetre;
    QListView* vue;
    QStringListModel* modele;
    CompteurPeintures peintures;

    VueNue() : vue(new QListView(&fenetre)), modele(new QStringListModel(&fenetre)) {
        fenetre.setFixedSize(481, 449);
        vue->setGeometry(16, 82, 449, 295);
        vue->setUniformItemSizes(true);
        vue->setModel(modele);
        fenetre.show();
        Afficher();
        vue->viewport()->installEventFilter(&peintures);
    }

    void Remplir(const QStringList& lignes) {
        modele->setStringList({});
        modele->setStringList(lignes);
        if (!lignes.isEmpty()) {
            vue->setCurrentIndex(modele->index(0));
        }
        Afficher();
    }
};

std::unique_ptr<VueNue> vueNue;

VueNue& Vue() {
    if (!vueNue) {
        vueNue = std::make_unique<VueNue>();
    }
    return *vueNue;
}

void BM_PlancherLecture(benchmark::State& etat, const Cas& cas) {
    const ConnexionNue connexion = OuvrirNue();
    qsizetype lignes = 0;
    for (auto _ : etat) {
        const QStringList resultat = LireNu(connexion.get(), cas);
        lignes = resultat.size();
    }
    Verifier(etat, static_cast<double>(lignes));
}

void BM_PlancherRemplissage(benchmark::State& etat, const Cas& cas) {
    const ConnexionNue connexion = OuvrirNue();
    const QStringList lignes = LireNu(connexion.get(), cas);
    VueNue& vue = Vue();
    const long peinturesAvant = vue.peintures.nombre;
    for (auto _ : etat) {
        vue.Remplir(lignes);
    }
    if (!Verifier(etat, vue.modele->rowCount())) {
        return;
    }
    etat.counters["peintures"] = benchmark::Counter(static_cast<double>(vue.peintures.nombre - peinturesAvant),
                                                    benchmark::Counter::kAvgIterations);
}

// The floor of the whole search: read and fill, the previous list cleared.
void BM_PlancherComplet(benchmark::State& etat, const Cas& cas) {
    const ConnexionNue connexion = OuvrirNue();
    VueNue& vue = Vue();
    vue.Remplir(LireNu(connexion.get(), cas));
    const long peinturesAvant = vue.peintures.nombre;
    for (auto _ : etat) {
        vue.modele->setStringList({});
        vue.Remplir(LireNu(connexion.get(), cas));
    }
    if (!Verifier(etat, vue.modele->rowCount())) {
        return;
    }
    etat.counters["peintures"] = benchmark::Counter(static_cast<double>(vue.peintures.nombre - peinturesAvant),
                                                    benchmark::Counter::kAvgIterations);
}

// ---- Ratios -----------------------------------------------------------------

// The console report, followed by whole search / floor for each case.
class RapportRatios : public benchmark::ConsoleReporter {
public:
    explicit RapportRatios(bool couleur) : ConsoleReporter(couleur ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && !run.error_occurred) {
                temps_[run.run_name.str()][run.aggregate_name] = run.GetAdjustedRealTime();
                unites_[run.run_name.str()] = benchmark::GetTimeUnitString(run.time_unit);
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const Cas* cas : {&kTout, &kSaint, &kPoste, &kAutre}) {
            const std::string programme = std::string("recherche/lancer_recherche/") + cas->nom;
            const std::string plancher = std::string("plancher/complet/") + cas->nom;
            for (const char* statistique : {"median", "min"}) {
                const double a = Temps(programme, statistique);
                const double b = Temps(plancher, statistique);
                if (a > 0 && b > 0) {
                    std::printf("ratio %-6s %-6s LancerRecherche %.3f %s / floor %.3f %s = %.2f\n", cas->nom,
                                statistique, a, unites_[programme].c_str(), b, unites_[plancher].c_str(), a / b);
                }
            }
        }
        std::fflush(stdout);
    }

private:
    double Temps(const std::string& nom, const std::string& statistique) {
        const auto trouve = temps_.find(nom);
        if (trouve == temps_.end()) {
            return 0;
        }
        const auto valeur = trouve->second.find(statistique);
        return valeur == trouve->second.end() ? 0 : valeur->second;
    }

    std::map<std::string, std::map<std::string, double>> temps_;
    std::map<std::string, std::string> unites_;
};

double Minimum(const std::vector<double>& valeurs) {
    return valeurs.empty() ? 0 : *std::min_element(valeurs.begin(), valeurs.end());
}

template <class... Args> void Enregistrer(const std::string& nom, Args&&... args) {
    benchmark::RegisterBenchmark(nom.c_str(), std::forward<Args>(args)...)
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", Minimum);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (!FichierExiste(CheminBase())) {
        std::fprintf(stderr, "bench_recherche: no store at %s\n", CheminBase().c_str());
        return 1;
    }

    // Repetitions unless the command line says otherwise: the machine is shared.
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=10";
    if (std::none_of(arguments.begin(), arguments.end(),
                     [](const char* a) { return std::string(a).rfind("--benchmark_repetitions", 0) == 0; })) {
        arguments.push_back(repetitions.data());
    }
    int nombre = static_cast<int>(arguments.size());
    // A reporter of our own is not told of --benchmark_color: colour only on a terminal.
    const bool couleur = isatty(STDOUT_FILENO) != 0 &&
                         std::none_of(arguments.begin(), arguments.end(),
                                      [](const char* a) { return std::string(a) == "--benchmark_color=false"; });

    for (const auto& [nom, cp, ville] : {std::tuple{"cp", "%", ""}, std::tuple{"ville", "", "saint-étienne"},
                                         std::tuple{"deux", "42", "saint-étienne"}}) {
        benchmark::RegisterBenchmark((std::string("composer/") + nom).c_str(), BM_ComposerRequete, cp, ville,
                                     CommencantPar, Contient)
            ->ComputeStatistics("min", Minimum);
    }
    for (const Cas* cas : {&kTout, &kSaint, &kPoste, &kAutre}) {
        Enregistrer(std::string("requete_sql/") + cas->nom, BM_RequeteSql, *cas);
        Enregistrer(std::string("recherche/lancer_recherche/") + cas->nom, BM_LancerRecherche, *cas);
        Enregistrer(std::string("plancher/lecture_sqlite/") + cas->nom, BM_PlancherLecture, *cas);
        Enregistrer(std::string("plancher/remplissage_vue/") + cas->nom, BM_PlancherRemplissage, *cas);
        Enregistrer(std::string("plancher/complet/") + cas->nom, BM_PlancherComplet, *cas);
    }

    benchmark::Initialize(&nombre, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(nombre, arguments.data())) {
        return 1;
    }
    RapportRatios rapport(couleur);
    benchmark::RunSpecifiedBenchmarks(&rapport);
    benchmark::Shutdown();
    ficheBanc.reset();
    vueNue.reset();
    return 0;
}
