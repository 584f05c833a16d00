#include "TableVilles.h"

#include "ComparaisonSansAccent.h"
#include "MotifLike.h"
#include "PoigneesSqlite.h"
#include "RepliSansAccent.h"

#include <algorithm>
#include <cstdint>
#include <sqlite3.h>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr char kModule[] = "quilvarest_villes";
constexpr char kLecture[] = "SELECT rowid, Cp, Ville FROM main.Quilvarest";
constexpr int kColonneCp = 0;
constexpr int kColonneVille = 1;

// The kinds of condition the table takes, one letter each in the plan's text.
constexpr char kCpComme = 'c';
constexpr char kCpEgal = 'C';
constexpr char kVilleComme = 'v';
constexpr char kVilleEgale = 'V';

// A run of folded units in EtatVilles::unites.
struct Plage {
    std::uint32_t debut = 0;
    std::uint32_t fin = 0;
};

struct AutreNom {
    std::string nom;
    Plage replie;
};

// A stored row as the conditions read it. Cp is NULL when cp is; Ville is
// read by LIKE unless NULL, and may equal a value unless NULL or a blob.
struct VueLigne {
    const char* cp = nullptr;
    std::size_t longueurCp = 0;
    bool cpBlob = false;
    bool cpChiffres = false; // folds to itself
    bool villeLue = false;
    bool villeTexte = false;
    Plage ville;
    std::uint32_t premierAutre = 0;
    std::uint32_t nombreAutres = 0;
};

// A row kept in memory: its texts in EtatVilles::textes, Cp then Ville.
struct LigneMemoire {
    sqlite3_int64 rowid = 0;
    std::uint32_t texte = 0;
    VueLigne vue;
};

bool QueDesChiffres(const char* texte, std::size_t longueur) {
    for (std::size_t k = 0; k < longueur; ++k) {
        if (texte[k] < '0' || texte[k] > '9') {
            return false;
        }
    }
    return true;
}

} // namespace

// The stored rows, read once per connection and kept with their names folded
// when every value is text, as in every store the builder writes; else read
// from the store at each search.
struct EtatVilles {
    enum class Memoire { AFaire, Faite, Impossible };
    Memoire memoire = Memoire::AFaire;
    std::vector<LigneMemoire> lignes;
    // The rows' numbers by postal code, then in store order: a postal code
    // typed whole reads its few rows only.
    std::vector<std::uint32_t> parCode;
    std::string textes;
    std::vector<std::uint32_t> unites;
    std::vector<AutreNom> autres;
    // The other names of each "Cp\tVille".
    std::unordered_map<std::string, std::vector<std::string>> autresParCouple;
    std::string autreNomTrouve;

    Plage Replier(const char* texte, std::size_t longueur);
    VueLigne Lire(sqlite3_stmt* lecture);
    std::string_view Code(std::uint32_t ligne) const { return {lignes[ligne].vue.cp, lignes[ligne].vue.longueurCp}; }
    int Charger(sqlite3* connexion);
};

Plage EtatVilles::Replier(const char* texte, std::size_t longueur) {
    Plage plage;
    plage.debut = static_cast<std::uint32_t>(unites.size());
    if (texte != nullptr) {
        ::Replier(texte, longueur, unites);
    }
    plage.fin = static_cast<std::uint32_t>(unites.size());
    return plage;
}

// The row the statement (rowid, Cp, Ville) stands on, its names folded at the
// end of unites and autres.
VueLigne EtatVilles::Lire(sqlite3_stmt* lecture) {
    // The types first: reading a value as text may convert it.
    VueLigne vue;
    vue.cpBlob = sqlite3_column_type(lecture, 1) == SQLITE_BLOB;
    const bool villeBlob = sqlite3_column_type(lecture, 2) == SQLITE_BLOB;
    vue.cp = reinterpret_cast<const char*>(sqlite3_column_text(lecture, 1));
    vue.longueurCp = static_cast<std::size_t>(sqlite3_column_bytes(lecture, 1));
    vue.cpChiffres = vue.cp != nullptr && QueDesChiffres(vue.cp, vue.longueurCp);
    const auto* ville = reinterpret_cast<const char*>(sqlite3_column_text(lecture, 2));
    const auto longueurVille = static_cast<std::size_t>(sqlite3_column_bytes(lecture, 2));
    vue.villeLue = ville != nullptr;
    vue.villeTexte = ville != nullptr && !villeBlob;
    vue.ville = Replier(ville, longueurVille);
    if (vue.cp == nullptr || ville == nullptr || autresParCouple.empty()) {
        return vue;
    }
    std::string couple(vue.cp, vue.longueurCp);
    couple += '\t';
    couple.append(ville, longueurVille);
    const auto noms = autresParCouple.find(couple);
    if (noms != autresParCouple.end()) {
        vue.premierAutre = static_cast<std::uint32_t>(autres.size());
        vue.nombreAutres = static_cast<std::uint32_t>(noms->second.size());
        for (const std::string& nom : noms->second) {
            autres.push_back({nom, Replier(nom.data(), nom.size())});
        }
    }
    return vue;
}

// Reads every row into memory. A store with a value that is not text, or
// that fails partway, is left to be read at each search, where its values and
// its failure reach the program as the engine gives them.
int EtatVilles::Charger(sqlite3* connexion) {
    sqlite3_stmt* brute = nullptr;
    int rc = sqlite3_prepare_v2(connexion, kLecture, -1, &brute, nullptr);
    const InstructionSqlite lecture(brute);
    memoire = Memoire::Impossible;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(lecture.get());
    }
    for (; rc == SQLITE_ROW; rc = sqlite3_step(lecture.get())) {
        if (sqlite3_column_type(lecture.get(), 1) != SQLITE_TEXT ||
            sqlite3_column_type(lecture.get(), 2) != SQLITE_TEXT) {
            rc = SQLITE_MISMATCH;
            break;
        }
        LigneMemoire ligne;
        ligne.rowid = sqlite3_column_int64(lecture.get(), 0);
        ligne.texte = static_cast<std::uint32_t>(textes.size());
        ligne.vue = Lire(lecture.get());
        textes.append(ligne.vue.cp, ligne.vue.longueurCp);
        textes.append(reinterpret_cast<const char*>(sqlite3_column_text(lecture.get(), 2)),
                      static_cast<std::size_t>(sqlite3_column_bytes(lecture.get(), 2)));
        ligne.vue.cp = nullptr; // the engine's buffer: textes holds it now
        lignes.push_back(ligne);
    }
    if (rc != SQLITE_DONE) {
        lignes = {};
        textes = {};
        unites = {};
        autres = {};
        return rc;
    }
    for (LigneMemoire& ligne : lignes) {
        ligne.vue.cp = textes.data() + ligne.texte;
    }
    parCode.resize(lignes.size());
    for (std::uint32_t k = 0; k < parCode.size(); ++k) {
        parCode[k] = k;
    }
    std::stable_sort(parCode.begin(), parCode.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return Code(a) < Code(b); });
    // Every row has taken its other names.
    autresParCouple = {};
    memoire = Memoire::Faite;
    return SQLITE_OK;
}

const std::string& AutreNomTrouve(const EtatVilles& etat) {
    return etat.autreNomTrouve;
}

namespace {

// One condition the table took: the column's value LIKE a pattern, Cp equal
// to a value byte for byte, or Ville equal to a value once both are folded.
struct Condition {
    char sorte = kCpComme;
    std::unique_ptr<MotifLike> motif;  // LIKE
    std::vector<std::uint32_t> valeur; // = on Ville, folded, kSuite marks cleared
    std::string octets;                // = on Cp
    bool jamais = false;               // a NULL or blob operand, which nothing matches
};

bool Egaux(const std::vector<std::uint32_t>& valeur, const std::uint32_t* unites, std::size_t nombre) {
    if (valeur.size() != nombre) {
        return false;
    }
    for (std::size_t k = 0; k < nombre; ++k) {
        if (valeur[k] != (unites[k] & ~kSuite)) {
            return false;
        }
    }
    return true;
}

bool Verifie(const Condition& condition, const std::uint32_t* unites, std::size_t nombre) {
    if (condition.sorte == kVilleEgale) {
        return Egaux(condition.valeur, unites, nombre);
    }
    return condition.motif->toutTexte || Correspond(condition.motif->unites, unites, nombre);
}

bool VerifieCp(const Condition& condition, const VueLigne& ligne, std::vector<std::uint32_t>& tampon) {
    if (ligne.cp == nullptr) {
        return false;
    }
    if (condition.sorte == kCpEgal) {
        return !ligne.cpBlob && condition.octets.compare(0, std::string::npos, ligne.cp, ligne.longueurCp) == 0;
    }
    if (condition.motif->toutTexte) {
        return true;
    }
    tampon.clear();
    if (ligne.cpChiffres) {
        tampon.assign(ligne.cp, ligne.cp + ligne.longueurCp);
    } else {
        Replier(ligne.cp, ligne.longueurCp, tampon);
    }
    return Correspond(condition.motif->unites, tampon.data(), tampon.size());
}

// Whether the row meets every condition. The other name that met a condition
// on Ville its own name did not is kept for the program.
bool Retenir(const std::vector<Condition>& conditions, const VueLigne& ligne, EtatVilles& etat,
             std::vector<std::uint32_t>& tampon) {
    etat.autreNomTrouve.clear();
    for (const Condition& condition : conditions) {
        if (condition.jamais) {
            return false;
        }
        if (condition.sorte == kCpComme || condition.sorte == kCpEgal) {
            if (!VerifieCp(condition, ligne, tampon)) {
                return false;
            }
            continue;
        }
        const bool lue = condition.sorte == kVilleEgale ? ligne.villeTexte : ligne.villeLue;
        if (lue && Verifie(condition, etat.unites.data() + ligne.ville.debut, ligne.ville.fin - ligne.ville.debut)) {
            continue;
        }
        bool parUnAutre = false;
        for (std::uint32_t k = 0; k < ligne.nombreAutres && !parUnAutre; ++k) {
            const AutreNom& autre = etat.autres[ligne.premierAutre + k];
            parUnAutre =
                Verifie(condition, etat.unites.data() + autre.replie.debut, autre.replie.fin - autre.replie.debut);
            if (parUnAutre && etat.autreNomTrouve.empty()) {
                etat.autreNomTrouve = autre.nom;
            }
        }
        if (!parUnAutre) {
            return false;
        }
    }
    return true;
}

struct TableVirtuelle : sqlite3_vtab {
    sqlite3* connexion = nullptr;
    std::shared_ptr<EtatVilles> etat;
};

// Walks the rows kept in memory, or the store's own rows when there are none.
struct Curseur : sqlite3_vtab_cursor {
    std::vector<Condition> conditions;
    std::vector<std::uint32_t> tampon; // Cp folded for a LIKE on it
    bool enMemoire = false;
    // The rows in memory walked: all of them, or one postal code's.
    const std::uint32_t* choisies = nullptr;
    std::size_t nombre = 0;
    std::size_t rang = 0;
    std::uint32_t ligne = 0; // the current one, in EtatVilles::lignes
    InstructionSqlite lecture;
    bool fin = true;
};

TableVirtuelle& Table(sqlite3_vtab_cursor* curseur) {
    return *static_cast<TableVirtuelle*>(curseur->pVtab);
}

int Connecter(sqlite3* connexion, void* aux, int, const char* const*, sqlite3_vtab** table, char**) {
    const std::string schema = std::string("CREATE TABLE x(Cp TEXT, Ville TEXT COLLATE ") + kCollationSansAccent + ")";
    int rc = sqlite3_declare_vtab(connexion, schema.c_str());
    if (rc == SQLITE_OK) {
        rc = sqlite3_vtab_config(connexion, SQLITE_VTAB_INNOCUOUS);
    }
    if (rc != SQLITE_OK) {
        return rc;
    }
    auto* nouvelle = new TableVirtuelle{};
    nouvelle->connexion = connexion;
    nouvelle->etat = *static_cast<std::shared_ptr<EtatVilles>*>(aux);
    *table = nouvelle;
    return SQLITE_OK;
}

int Deconnecter(sqlite3_vtab* table) {
    delete static_cast<TableVirtuelle*>(table);
    return SQLITE_OK;
}

// The kind of condition a constraint is, 0 for one left to the engine: LIKE
// on Cp or Ville, `=` on either under its own collation.
char Sorte(sqlite3_index_info* plan, int i) {
    const auto& contrainte = plan->aConstraint[i];
    if (!contrainte.usable) {
        return 0;
    }
    if (contrainte.op == SQLITE_INDEX_CONSTRAINT_LIKE) {
        return contrainte.iColumn == kColonneCp ? kCpComme : (contrainte.iColumn == kColonneVille ? kVilleComme : 0);
    }
    if (contrainte.op != SQLITE_INDEX_CONSTRAINT_EQ) {
        return 0;
    }
    const char* collation = sqlite3_vtab_collation(plan, i);
    if (contrainte.iColumn == kColonneVille && sqlite3_stricmp(collation, kCollationSansAccent) == 0) {
        return kVilleEgale;
    }
    if (contrainte.iColumn == kColonneCp && sqlite3_stricmp(collation, "BINARY") == 0) {
        return kCpEgal;
    }
    return 0;
}

// Takes every condition it can; the engine checks none of them again.
int ChoisirPlan(sqlite3_vtab*, sqlite3_index_info* plan) {
    std::string sortes;
    for (int i = 0; i < plan->nConstraint; ++i) {
        if (const char sorte = Sorte(plan, i); sorte != 0) {
            sortes += sorte;
            plan->aConstraintUsage[i].argvIndex = static_cast<int>(sortes.size());
            plan->aConstraintUsage[i].omit = 1;
        }
    }
    plan->idxStr = sqlite3_mprintf("%s", sortes.c_str());
    plan->needToFreeIdxStr = 1;
    plan->estimatedRows = 40000 / (1 + static_cast<sqlite3_int64>(sortes.size()) * 10);
    plan->estimatedCost = static_cast<double>(plan->estimatedRows);
    return plan->idxStr != nullptr ? SQLITE_OK : SQLITE_NOMEM;
}

int Ouvrir(sqlite3_vtab*, sqlite3_vtab_cursor** curseur) {
    *curseur = new Curseur{};
    return SQLITE_OK;
}

int Fermer(sqlite3_vtab_cursor* curseur) {
    Table(curseur).etat->autreNomTrouve.clear();
    delete static_cast<Curseur*>(curseur);
    return SQLITE_OK;
}

// The next row of the store's own that meets the conditions, its names folded
// past what memory keeps and dropped at the next row.
int AvancerDansLaBase(Curseur& curseur, TableVirtuelle& table) {
    EtatVilles& etat = *table.etat;
    for (;;) {
        etat.unites.resize(0);
        etat.autres.clear();
        const int rc = sqlite3_step(curseur.lecture.get());
        if (rc == SQLITE_DONE) {
            curseur.fin = true;
            etat.autreNomTrouve.clear();
            return SQLITE_OK;
        }
        if (rc != SQLITE_ROW) {
            curseur.fin = true;
            sqlite3_free(table.zErrMsg);
            table.zErrMsg = sqlite3_mprintf("%s", sqlite3_errmsg(table.connexion));
            return rc;
        }
        if (Retenir(curseur.conditions, etat.Lire(curseur.lecture.get()), etat, curseur.tampon)) {
            curseur.fin = false;
            return SQLITE_OK;
        }
    }
}

int Avancer(sqlite3_vtab_cursor* brut, bool premiere) {
    auto& curseur = *static_cast<Curseur*>(brut);
    TableVirtuelle& table = Table(brut);
    if (!curseur.enMemoire) {
        return AvancerDansLaBase(curseur, table);
    }
    EtatVilles& etat = *table.etat;
    std::size_t rang = premiere ? 0 : curseur.rang + 1;
    for (; rang < curseur.nombre; ++rang) {
        curseur.ligne = curseur.choisies != nullptr ? curseur.choisies[rang] : static_cast<std::uint32_t>(rang);
        if (Retenir(curseur.conditions, etat.lignes[curseur.ligne].vue, etat, curseur.tampon)) {
            break;
        }
    }
    curseur.rang = rang;
    curseur.fin = rang >= curseur.nombre;
    if (curseur.fin) {
        etat.autreNomTrouve.clear();
    }
    return SQLITE_OK;
}

// The rows in memory a search walks: one postal code's when a condition asks
// for it whole, else all.
void ChoisirLignes(Curseur& curseur, const EtatVilles& etat) {
    curseur.choisies = nullptr;
    curseur.nombre = etat.lignes.size();
    for (const Condition& condition : curseur.conditions) {
        if (condition.sorte == kCpEgal && !condition.jamais) {
            const std::string_view code(condition.octets);
            const auto debut = std::lower_bound(
                etat.parCode.begin(), etat.parCode.end(), code,
                [&etat](std::uint32_t ligne, std::string_view valeur) { return etat.Code(ligne) < valeur; });
            const auto fin = std::upper_bound(
                debut, etat.parCode.end(), code,
                [&etat](std::string_view valeur, std::uint32_t ligne) { return valeur < etat.Code(ligne); });
            curseur.choisies = etat.parCode.data() + (debut - etat.parCode.begin());
            curseur.nombre = static_cast<std::size_t>(fin - debut);
            return;
        }
    }
}

Condition PreparerCondition(char sorte, sqlite3_value* operande) {
    Condition condition;
    condition.sorte = sorte;
    const int type = sqlite3_value_type(operande);
    const auto* texte = sqlite3_value_text(operande);
    const auto longueur = static_cast<std::size_t>(sqlite3_value_bytes(operande));
    const bool egalite = sorte == kCpEgal || sorte == kVilleEgale;
    condition.jamais = texte == nullptr || type == SQLITE_NULL || (egalite && type == SQLITE_BLOB);
    if (condition.jamais) {
        return condition;
    }
    if (sorte == kCpEgal) {
        condition.octets.assign(reinterpret_cast<const char*>(texte), longueur);
    } else if (sorte == kVilleEgale) {
        Replier(reinterpret_cast<const char*>(texte), longueur, condition.valeur);
        for (std::uint32_t& unite : condition.valeur) {
            unite &= ~kSuite;
        }
    } else {
        condition.motif = CompilerMotif(texte, longueur, 0);
        condition.jamais = condition.motif->impossible;
    }
    return condition;
}

int Filtrer(sqlite3_vtab_cursor* brut, int, const char* sortes, int nombre, sqlite3_value** operandes) {
    auto& curseur = *static_cast<Curseur*>(brut);
    TableVirtuelle& table = Table(brut);
    curseur.conditions.clear();
    for (int i = 0; i < nombre && sortes != nullptr && sortes[i] != '\0'; ++i) {
        curseur.conditions.push_back(PreparerCondition(sortes[i], operandes[i]));
    }
    EtatVilles& etat = *table.etat;
    if (etat.memoire == EtatVilles::Memoire::AFaire) {
        etat.Charger(table.connexion);
    }
    curseur.enMemoire = etat.memoire == EtatVilles::Memoire::Faite;
    if (curseur.enMemoire) {
        ChoisirLignes(curseur, etat);
    } else if (!curseur.lecture) {
        sqlite3_stmt* brute = nullptr;
        const int rc = sqlite3_prepare_v2(table.connexion, kLecture, -1, &brute, nullptr);
        curseur.lecture.reset(brute);
        if (rc != SQLITE_OK) {
            return rc;
        }
    }
    if (curseur.lecture) {
        sqlite3_reset(curseur.lecture.get());
    }
    return Avancer(brut, true);
}

int Suivant(sqlite3_vtab_cursor* curseur) {
    return Avancer(curseur, false);
}

int Fini(sqlite3_vtab_cursor* curseur) {
    return static_cast<Curseur*>(curseur)->fin ? 1 : 0;
}

int Colonne(sqlite3_vtab_cursor* brut, sqlite3_context* contexte, int colonne) {
    const auto& curseur = *static_cast<Curseur*>(brut);
    if (!curseur.enMemoire) {
        sqlite3_result_value(contexte, sqlite3_column_value(curseur.lecture.get(), colonne + 1));
        return SQLITE_OK;
    }
    const EtatVilles& etat = *Table(brut).etat;
    const LigneMemoire& ligne = etat.lignes[curseur.ligne];
    const std::uint32_t debutVille = ligne.texte + static_cast<std::uint32_t>(ligne.vue.longueurCp);
    const std::uint32_t finVille = curseur.ligne + 1 < etat.lignes.size()
                                       ? etat.lignes[curseur.ligne + 1].texte
                                       : static_cast<std::uint32_t>(etat.textes.size());
    // The texts stay in place as long as the connection: no copy.
    if (colonne == kColonneCp) {
        sqlite3_result_text(contexte, ligne.vue.cp, static_cast<int>(ligne.vue.longueurCp), SQLITE_STATIC);
    } else {
        sqlite3_result_text(contexte, etat.textes.data() + debutVille, static_cast<int>(finVille - debutVille),
                            SQLITE_STATIC);
    }
    return SQLITE_OK;
}

int NumeroLigne(sqlite3_vtab_cursor* brut, sqlite3_int64* rowid) {
    const auto& curseur = *static_cast<Curseur*>(brut);
    *rowid = curseur.enMemoire ? Table(brut).etat->lignes[curseur.ligne].rowid
                               : sqlite3_column_int64(curseur.lecture.get(), 0);
    return SQLITE_OK;
}

// The store is only ever read: a write meets the same refusal as on the
// stored table.
int Refuser(sqlite3_vtab* table, int, sqlite3_value**, sqlite3_int64*) {
    sqlite3_free(table->zErrMsg);
    table->zErrMsg = sqlite3_mprintf("%s", sqlite3_errstr(SQLITE_READONLY));
    return SQLITE_READONLY;
}

sqlite3_module ModuleVilles() {
    sqlite3_module module{};
    module.xCreate = Connecter;
    module.xConnect = Connecter;
    module.xBestIndex = ChoisirPlan;
    module.xDisconnect = Deconnecter;
    module.xDestroy = Deconnecter;
    module.xOpen = Ouvrir;
    module.xClose = Fermer;
    module.xFilter = Filtrer;
    module.xNext = Suivant;
    module.xEof = Fini;
    module.xColumn = Colonne;
    module.xRowid = NumeroLigne;
    module.xUpdate = Refuser;
    return module;
}

const sqlite3_module kTableVilles = ModuleVilles();

void LibererEtat(void* etat) {
    delete static_cast<std::shared_ptr<EtatVilles>*>(etat);
}

// A store without the table AutresNoms, or with another one under that name,
// has no other names.
int ChargerAutresNoms(sqlite3* connexion, EtatVilles& etat) {
    sqlite3_stmt* brute = nullptr;
    int rc = sqlite3_prepare_v2(connexion, "SELECT Cp, Ville, Nom FROM main.AutresNoms", -1, &brute, nullptr);
    const InstructionSqlite lecture(brute);
    if (rc != SQLITE_OK) {
        return SQLITE_OK;
    }
    const auto texte = [&lecture](int colonne) {
        const auto* octets = reinterpret_cast<const char*>(sqlite3_column_text(lecture.get(), colonne));
        const auto longueur = static_cast<std::size_t>(sqlite3_column_bytes(lecture.get(), colonne));
        return octets == nullptr ? std::string() : std::string(octets, longueur);
    };
    while ((rc = sqlite3_step(lecture.get())) == SQLITE_ROW) {
        etat.autresParCouple[texte(0) + '\t' + texte(1)].push_back(texte(2));
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

} // namespace

int InstallerTableVilles(sqlite3* connexion, std::shared_ptr<EtatVilles>& etat) {
    etat.reset();
    sqlite3_stmt* essai = nullptr;
    const int lisible = sqlite3_prepare_v2(connexion, kLecture, -1, &essai, nullptr);
    sqlite3_finalize(essai);
    if (lisible != SQLITE_OK) {
        return SQLITE_OK;
    }
    auto nouvel = std::make_shared<EtatVilles>();
    int rc = ChargerAutresNoms(connexion, *nouvel);
    if (rc == SQLITE_OK) {
        // The module holds the state as long as the connection, which may
        // outlive the program's handle on it while a statement is alive.
        rc = sqlite3_create_module_v2(connexion, kModule, &kTableVilles, new std::shared_ptr<EtatVilles>(nouvel),
                                      LibererEtat);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(connexion, "CREATE VIRTUAL TABLE temp.Quilvarest USING quilvarest_villes", nullptr, nullptr,
                          nullptr);
    }
    if (rc == SQLITE_OK) {
        etat = std::move(nouvel);
    }
    return rc;
}
