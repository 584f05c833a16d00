#include "TableVilles.h"

#include "ComparaisonSansAccent.h"
#include "MotifLike.h"
#include "PoigneesSqlite.h"
#include "RepliSansAccent.h"

#include <cstdint>
#include <sqlite3.h>
#include <unordered_map>
#include <vector>

namespace {

constexpr char kModule[] = "quilvarest_villes";
constexpr int kColonneCp = 0;
constexpr int kColonneVille = 1;
// A store of ours numbers its rows from 1: the rows of a larger rowid are
// folded at each search instead of being remembered.
constexpr sqlite3_int64 kLignesRetenues = sqlite3_int64{1} << 22;

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

struct LigneRetenue {
    Plage ville;
    std::uint32_t premierAutre = 0;
    std::uint32_t nombreAutres = 0;
    bool connue = false;
    bool villeLue = false;   // not NULL: LIKE reads it
    bool villeTexte = false; // neither NULL nor a blob: a value may equal it
};

} // namespace

struct EtatVilles {
    std::vector<std::uint32_t> unites;
    std::vector<LigneRetenue> lignes; // by rowid, filled as rows are first read
    std::vector<AutreNom> autres;
    // What unites and autres hold for the remembered rows; a row beyond them
    // is folded after that, until the next row.
    std::size_t unitesRetenues = 0;
    std::size_t autresRetenus = 0;
    // The other names of each "Cp\tVille", until the row is first read.
    std::unordered_map<std::string, std::vector<std::string>> autresParCouple;
    std::string autreNomTrouve;

    Plage Replier(const char* texte, std::size_t longueur);
    const LigneRetenue& Ligne(sqlite3_stmt* lecture, LigneRetenue& provisoire);
    void AjouterAutresNoms(const std::string& couple, bool retenue, LigneRetenue& ligne);
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

void EtatVilles::AjouterAutresNoms(const std::string& couple, bool retenue, LigneRetenue& ligne) {
    const auto noms = autresParCouple.find(couple);
    if (noms == autresParCouple.end()) {
        return;
    }
    ligne.premierAutre = static_cast<std::uint32_t>(autres.size());
    ligne.nombreAutres = static_cast<std::uint32_t>(noms->second.size());
    for (const std::string& nom : noms->second) {
        autres.push_back({nom, Replier(nom.data(), nom.size())});
    }
    // A remembered row never asks again.
    if (retenue) {
        autresParCouple.erase(noms);
    }
}

// The folded names of the row the statement stands on (rowid, Cp, Ville):
// remembered by rowid, or folded into provisoire for a row beyond them.
const LigneRetenue& EtatVilles::Ligne(sqlite3_stmt* lecture, LigneRetenue& provisoire) {
    const sqlite3_int64 rowid = sqlite3_column_int64(lecture, 0);
    const bool retenue = rowid >= 0 && rowid < kLignesRetenues;
    const auto index = static_cast<std::size_t>(rowid);
    if (retenue && index < lignes.size() && lignes[index].connue) {
        return lignes[index];
    }
    unites.resize(unitesRetenues);
    autres.resize(autresRetenus);
    LigneRetenue ligne;
    const int type = sqlite3_column_type(lecture, 2);
    const auto* ville = reinterpret_cast<const char*>(sqlite3_column_text(lecture, 2));
    const auto longueurVille = static_cast<std::size_t>(sqlite3_column_bytes(lecture, 2));
    ligne.villeLue = ville != nullptr;
    ligne.villeTexte = ville != nullptr && type != SQLITE_BLOB;
    ligne.ville = Replier(ville, longueurVille);
    const auto* cp = reinterpret_cast<const char*>(sqlite3_column_text(lecture, 1));
    if (cp != nullptr && ville != nullptr && !autresParCouple.empty()) {
        std::string couple(cp, static_cast<std::size_t>(sqlite3_column_bytes(lecture, 1)));
        couple += '\t';
        couple.append(ville, longueurVille);
        AjouterAutresNoms(couple, retenue, ligne);
    }
    ligne.connue = true;
    if (!retenue) {
        provisoire = ligne;
        return provisoire;
    }
    unitesRetenues = unites.size();
    autresRetenus = autres.size();
    if (index >= lignes.size()) {
        lignes.resize(index + 1);
    }
    lignes[index] = ligne;
    return lignes[index];
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

bool Verifie(const Condition& condition, const std::vector<std::uint32_t>& unites, Plage plage) {
    const std::uint32_t* debut = unites.data() + plage.debut;
    const std::size_t nombre = plage.fin - plage.debut;
    if (condition.sorte == kVilleEgale) {
        return Egaux(condition.valeur, debut, nombre);
    }
    return condition.motif->toutTexte || Correspond(condition.motif->unites, debut, nombre);
}

struct TableVirtuelle : sqlite3_vtab {
    sqlite3* connexion = nullptr;
    std::shared_ptr<EtatVilles> etat;
};

struct Curseur : sqlite3_vtab_cursor {
    // Every row, or the rows of one postal code through the store's index.
    InstructionSqlite toutes;
    InstructionSqlite parCode;
    sqlite3_stmt* lecture = nullptr;
    std::vector<Condition> conditions;
    std::vector<std::uint32_t> cp; // the row's Cp, folded, for a LIKE on it
    LigneRetenue provisoire;
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

// Takes every usable LIKE on Cp or Ville, and `=` on Ville under its own
// collation; the engine checks none of them again.
int ChoisirPlan(sqlite3_vtab*, sqlite3_index_info* plan) {
    std::string sortes;
    for (int i = 0; i < plan->nConstraint; ++i) {
        const auto& contrainte = plan->aConstraint[i];
        if (!contrainte.usable) {
            continue;
        }
        char sorte = 0;
        if (contrainte.op == SQLITE_INDEX_CONSTRAINT_LIKE) {
            sorte =
                contrainte.iColumn == kColonneCp ? kCpComme : (contrainte.iColumn == kColonneVille ? kVilleComme : 0);
        } else if (contrainte.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            const char* collation = sqlite3_vtab_collation(plan, i);
            if (contrainte.iColumn == kColonneVille && sqlite3_stricmp(collation, kCollationSansAccent) == 0) {
                sorte = kVilleEgale;
            } else if (contrainte.iColumn == kColonneCp && sqlite3_stricmp(collation, "BINARY") == 0) {
                sorte = kCpEgal;
            }
        }
        if (sorte != 0) {
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

int Ouvrir(sqlite3_vtab* table, sqlite3_vtab_cursor** curseur) {
    sqlite3* connexion = static_cast<TableVirtuelle*>(table)->connexion;
    auto* nouveau = new Curseur{};
    sqlite3_stmt* brute = nullptr;
    int rc = sqlite3_prepare_v2(connexion, "SELECT rowid, Cp, Ville FROM main.Quilvarest", -1, &brute, nullptr);
    nouveau->toutes.reset(brute);
    if (rc == SQLITE_OK) {
        brute = nullptr;
        rc = sqlite3_prepare_v2(connexion, "SELECT rowid, Cp, Ville FROM main.Quilvarest WHERE Cp = ?1", -1, &brute,
                                nullptr);
        nouveau->parCode.reset(brute);
    }
    if (rc != SQLITE_OK) {
        delete nouveau;
        return rc;
    }
    nouveau->lecture = nouveau->toutes.get();
    *curseur = nouveau;
    return SQLITE_OK;
}

int Fermer(sqlite3_vtab_cursor* curseur) {
    Table(curseur).etat->autreNomTrouve.clear();
    delete static_cast<Curseur*>(curseur);
    return SQLITE_OK;
}

// Whether the row the reading stands on meets every condition; the other name
// that met a condition on Ville its own name did not is kept for the program.
bool Retenir(Curseur& curseur, EtatVilles& etat) {
    etat.autreNomTrouve.clear();
    const LigneRetenue* ligne = nullptr;
    for (const Condition& condition : curseur.conditions) {
        if (condition.jamais) {
            return false;
        }
        if (condition.sorte == kCpEgal) {
            const auto* cp = static_cast<const char*>(sqlite3_column_blob(curseur.lecture, 1));
            if (sqlite3_column_type(curseur.lecture, 1) == SQLITE_BLOB ||
                condition.octets.compare(0, std::string::npos, cp != nullptr ? cp : "",
                                         static_cast<std::size_t>(sqlite3_column_bytes(curseur.lecture, 1))) != 0) {
                return false;
            }
            continue;
        }
        if (condition.sorte == kCpComme) {
            const auto* cp = sqlite3_column_text(curseur.lecture, 1);
            if (cp == nullptr) {
                return false;
            }
            if (condition.motif->toutTexte) {
                continue;
            }
            curseur.cp.clear();
            Replier(reinterpret_cast<const char*>(cp),
                    static_cast<std::size_t>(sqlite3_column_bytes(curseur.lecture, 1)), curseur.cp);
            if (!Correspond(condition.motif->unites, curseur.cp.data(), curseur.cp.size())) {
                return false;
            }
            continue;
        }
        if (ligne == nullptr) {
            ligne = &etat.Ligne(curseur.lecture, curseur.provisoire);
        }
        const bool parSonNom = condition.sorte == kVilleEgale ? ligne->villeTexte : ligne->villeLue;
        if (parSonNom && Verifie(condition, etat.unites, ligne->ville)) {
            continue;
        }
        bool parUnAutre = false;
        for (std::uint32_t k = 0; k < ligne->nombreAutres && !parUnAutre; ++k) {
            const AutreNom& autre = etat.autres[ligne->premierAutre + k];
            parUnAutre = Verifie(condition, etat.unites, autre.replie);
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

int Avancer(sqlite3_vtab_cursor* brut) {
    auto& curseur = *static_cast<Curseur*>(brut);
    TableVirtuelle& table = Table(brut);
    for (;;) {
        const int rc = sqlite3_step(curseur.lecture);
        if (rc == SQLITE_DONE) {
            curseur.fin = true;
            table.etat->autreNomTrouve.clear();
            return SQLITE_OK;
        }
        if (rc != SQLITE_ROW) {
            curseur.fin = true;
            sqlite3_free(table.zErrMsg);
            table.zErrMsg = sqlite3_mprintf("%s", sqlite3_errmsg(table.connexion));
            return rc;
        }
        if (Retenir(curseur, *table.etat)) {
            curseur.fin = false;
            return SQLITE_OK;
        }
    }
}

Condition PreparerCondition(char sorte, sqlite3_value* operande) {
    Condition condition;
    condition.sorte = sorte;
    const int type = sqlite3_value_type(operande);
    const auto* texte = sqlite3_value_text(operande);
    const auto longueur = static_cast<std::size_t>(sqlite3_value_bytes(operande));
    condition.jamais =
        texte == nullptr || type == SQLITE_NULL || (sorte != kCpComme && sorte != kVilleComme && type == SQLITE_BLOB);
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
    curseur.conditions.clear();
    sqlite3_reset(curseur.lecture);
    curseur.lecture = curseur.toutes.get();
    for (int i = 0; i < nombre && sortes != nullptr && sortes[i] != '\0'; ++i) {
        curseur.conditions.push_back(PreparerCondition(sortes[i], operandes[i]));
        const Condition& condition = curseur.conditions.back();
        // One postal code's rows come through the store's index, in the
        // same order; a store without the index reads them all the same.
        if (condition.sorte == kCpEgal && !condition.jamais && curseur.lecture == curseur.toutes.get()) {
            curseur.lecture = curseur.parCode.get();
            sqlite3_bind_text(curseur.lecture, 1, condition.octets.data(), static_cast<int>(condition.octets.size()),
                              SQLITE_TRANSIENT);
        }
    }
    return Avancer(brut);
}

int Suivant(sqlite3_vtab_cursor* curseur) {
    return Avancer(curseur);
}

int Fini(sqlite3_vtab_cursor* curseur) {
    return static_cast<Curseur*>(curseur)->fin ? 1 : 0;
}

int Colonne(sqlite3_vtab_cursor* curseur, sqlite3_context* contexte, int colonne) {
    sqlite3_result_value(contexte, sqlite3_column_value(static_cast<Curseur*>(curseur)->lecture, colonne + 1));
    return SQLITE_OK;
}

int NumeroLigne(sqlite3_vtab_cursor* curseur, sqlite3_int64* rowid) {
    *rowid = sqlite3_column_int64(static_cast<Curseur*>(curseur)->lecture, 0);
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

// Whether the statement prepares on the connection; its error is kept for none.
bool Lisible(sqlite3* connexion, const char* sql) {
    sqlite3_stmt* brute = nullptr;
    const int rc = sqlite3_prepare_v2(connexion, sql, -1, &brute, nullptr);
    sqlite3_finalize(brute);
    return rc == SQLITE_OK;
}

int ChargerAutresNoms(sqlite3* connexion, EtatVilles& etat) {
    sqlite3_stmt* brute = nullptr;
    int rc = sqlite3_prepare_v2(connexion, "SELECT Cp, Ville, Nom FROM main.AutresNoms", -1, &brute, nullptr);
    const InstructionSqlite lecture(brute);
    if (rc != SQLITE_OK) {
        // A store without the table, or with another one under that name.
        return SQLITE_OK;
    }
    auto texte = [&lecture](int colonne) {
        const auto* octets = reinterpret_cast<const char*>(sqlite3_column_text(lecture.get(), colonne));
        return octets == nullptr
                   ? std::string()
                   : std::string(octets, static_cast<std::size_t>(sqlite3_column_bytes(lecture.get(), colonne)));
    };
    while ((rc = sqlite3_step(lecture.get())) == SQLITE_ROW) {
        etat.autresParCouple[texte(0) + '\t' + texte(1)].push_back(texte(2));
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

} // namespace

int InstallerTableVilles(sqlite3* connexion, std::shared_ptr<EtatVilles>& etat) {
    etat.reset();
    if (!Lisible(connexion, "SELECT rowid, Cp, Ville FROM main.Quilvarest")) {
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
