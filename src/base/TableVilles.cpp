#include "TableVilles.h"

#include "ComparaisonSansAccent.h"
#include "ConditionsVilles.h"
#include "PoigneesSqlite.h"
#include "VillesEnMemoire.h"

#include <algorithm>
#include <cstring>
#include <sqlite3.h>
#include <string_view>

namespace {

constexpr char kModule[] = "quilvarest_villes";
constexpr int kColonneCp = 0;
constexpr int kColonneVille = 1;
constexpr int kColonneAutreNom = 2;

struct TableVirtuelle : sqlite3_vtab {
    sqlite3* connexion = nullptr;
    Villes* villes = nullptr; // the connection's, as long as it lives
};

// Walks the rows kept in memory, or the store's own rows when there are none;
// each cursor has its own row and the other name that row was found by.
struct Curseur : sqlite3_vtab_cursor {
    std::vector<Condition> conditions;
    std::vector<std::uint32_t> tampon; // Cp folded for a LIKE on it
    std::vector<std::uint32_t> pli;    // a name's units while it is folded
    bool enMemoire = false;
    // The rows in memory walked: all of them, or one postal code's.
    const std::uint32_t* choisies = nullptr;
    std::size_t nombre = 0;
    std::size_t rang = 0;
    std::uint32_t ligne = 0; // the current one, in Villes::lignes
    // Read from the store: the statement, and the names of its current row.
    InstructionSqlite lecture;
    Noms noms;
    std::string_view autreNom; // the other name the row was found by, NUL after it
    bool fin = true;
};

TableVirtuelle& Table(sqlite3_vtab_cursor* curseur) {
    return *static_cast<TableVirtuelle*>(curseur->pVtab);
}

int Connecter(sqlite3* connexion, void* aux, int, const char* const*, sqlite3_vtab** table, char**) {
    // AutreNom is hidden, as the arguments of SQLite's own table-valued
    // functions: SELECT * does not list it, a query that names it reads it.
    const std::string schema =
        std::string("CREATE TABLE x(Cp TEXT, Ville TEXT COLLATE ") + kCollationSansAccent + ", AutreNom TEXT HIDDEN)";
    int rc = sqlite3_declare_vtab(connexion, schema.c_str());
    if (rc == SQLITE_OK) {
        rc = sqlite3_vtab_config(connexion, SQLITE_VTAB_INNOCUOUS);
    }
    if (rc != SQLITE_OK) {
        return rc;
    }
    auto* nouvelle = new TableVirtuelle{};
    nouvelle->connexion = connexion;
    nouvelle->villes = static_cast<Villes*>(aux);
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
    delete static_cast<Curseur*>(curseur);
    return SQLITE_OK;
}

// Keeps the other name the row was found by, trouve in noms.
void RetenirAutre(Curseur& curseur, const Noms& noms, const AutreNom* trouve) {
    curseur.autreNom = trouve != nullptr ? noms.Autre(*trouve) : std::string_view();
}

// The next row of the store's own that meets the conditions, its names folded
// into the cursor's and dropped at the next row.
int AvancerDansLaBase(Curseur& curseur, TableVirtuelle& table) {
    const AutreNom* trouve = nullptr;
    for (;;) {
        curseur.noms.Vider();
        curseur.autreNom = {};
        const int rc = sqlite3_step(curseur.lecture.get());
        if (rc == SQLITE_DONE) {
            curseur.fin = true;
            return SQLITE_OK;
        }
        if (rc != SQLITE_ROW) {
            curseur.fin = true;
            sqlite3_free(table.zErrMsg);
            table.zErrMsg = sqlite3_mprintf("%s", sqlite3_errmsg(table.connexion));
            return rc;
        }
        const VueLigne vue = LireLigne(curseur.lecture.get(), *table.villes, curseur.noms, curseur.pli);
        if (Retenir(curseur.conditions, vue, curseur.tampon, trouve)) {
            RetenirAutre(curseur, curseur.noms, trouve);
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
    const Villes& villes = *table.villes;
    const AutreNom* trouve = nullptr;
    std::size_t rang = premiere ? 0 : curseur.rang + 1;
    for (; rang < curseur.nombre; ++rang) {
        curseur.ligne = curseur.choisies != nullptr ? curseur.choisies[rang] : static_cast<std::uint32_t>(rang);
        if (Retenir(curseur.conditions, villes.Vue(curseur.ligne), curseur.tampon, trouve)) {
            break;
        }
    }
    curseur.rang = rang;
    curseur.fin = rang >= curseur.nombre;
    RetenirAutre(curseur, villes.noms, curseur.fin ? nullptr : trouve);
    return SQLITE_OK;
}

// The rows in memory a search walks: one postal code's when a condition asks
// for it whole, else all.
void ChoisirLignes(Curseur& curseur, const Villes& villes) {
    curseur.choisies = nullptr;
    curseur.nombre = villes.lignes.size();
    for (const Condition& condition : curseur.conditions) {
        if (condition.sorte == kCpEgal && !condition.jamais) {
            const std::string_view code(condition.octets);
            const auto debut = std::lower_bound(
                villes.parCode.begin(), villes.parCode.end(), code,
                [&villes](std::uint32_t ligne, std::string_view valeur) { return villes.Code(ligne) < valeur; });
            const auto fin = std::upper_bound(
                debut, villes.parCode.end(), code,
                [&villes](std::string_view valeur, std::uint32_t ligne) { return valeur < villes.Code(ligne); });
            curseur.choisies = villes.parCode.data() + (debut - villes.parCode.begin());
            curseur.nombre = static_cast<std::size_t>(fin - debut);
            return;
        }
    }
}

int Filtrer(sqlite3_vtab_cursor* brut, int, const char* sortes, int nombre, sqlite3_value** operandes) {
    auto& curseur = *static_cast<Curseur*>(brut);
    TableVirtuelle& table = Table(brut);
    curseur.conditions.clear();
    for (int i = 0; i < nombre && sortes != nullptr && sortes[i] != '\0'; ++i) {
        curseur.conditions.push_back(PreparerCondition(sortes[i], operandes[i]));
    }
    Villes& villes = *table.villes;
    if (villes.memoire == Villes::Memoire::AFaire) {
        if (const int rc = villes.Charger(table.connexion); rc != SQLITE_OK) {
            sqlite3_free(table.zErrMsg);
            table.zErrMsg = sqlite3_mprintf("%s", sqlite3_errmsg(table.connexion));
            return rc;
        }
    }
    curseur.enMemoire = villes.memoire == Villes::Memoire::Faite;
    if (curseur.enMemoire) {
        ChoisirLignes(curseur, villes);
    } else if (!curseur.lecture) {
        sqlite3_stmt* brute = nullptr;
        const int rc = sqlite3_prepare_v2(table.connexion, kLectureVilles, -1, &brute, nullptr);
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
    if (colonne == kColonneAutreNom) {
        if (!curseur.autreNom.empty()) {
            sqlite3_result_text(contexte, curseur.autreNom.data(), static_cast<int>(curseur.autreNom.size()),
                                SQLITE_TRANSIENT);
        }
        return SQLITE_OK;
    }
    if (!curseur.enMemoire) {
        sqlite3_result_value(contexte, sqlite3_column_value(curseur.lecture.get(), colonne + 1));
        return SQLITE_OK;
    }
    const Villes& villes = *Table(brut).villes;
    // The texts stay in place as long as the connection: no copy.
    const std::string_view texte = colonne == kColonneCp ? villes.Code(curseur.ligne) : villes.Ville(curseur.ligne);
    // Told no length, the engine takes the text as terminated; a text with a
    // NUL of its own is given its length.
    const bool nul = std::memchr(texte.data(), 0, texte.size()) != nullptr;
    sqlite3_result_text(contexte, texte.data(), nul ? static_cast<int>(texte.size()) : -1, SQLITE_STATIC);
    return SQLITE_OK;
}

int NumeroLigne(sqlite3_vtab_cursor* brut, sqlite3_int64* rowid) {
    const auto& curseur = *static_cast<Curseur*>(brut);
    *rowid = curseur.enMemoire ? sqlite3_int64{curseur.ligne} + 1 : sqlite3_column_int64(curseur.lecture.get(), 0);
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

void LibererVilles(void* villes) {
    delete static_cast<Villes*>(villes);
}

} // namespace

int InstallerTableVilles(sqlite3* connexion, bool& installee) {
    installee = false;
    sqlite3_stmt* essai = nullptr;
    const int lisible = sqlite3_prepare_v2(connexion, kLectureVilles, -1, &essai, nullptr);
    sqlite3_finalize(essai);
    if (lisible != SQLITE_OK) {
        return SQLITE_OK;
    }
    // The module holds the rows as long as the connection, which may outlive
    // the program's handle on it while a statement is alive; they are read at
    // the first search, not here.
    int rc = sqlite3_create_module_v2(connexion, kModule, &kTableVilles, new Villes, LibererVilles);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(connexion, "CREATE VIRTUAL TABLE temp.Quilvarest USING quilvarest_villes", nullptr, nullptr,
                          nullptr);
    }
    installee = rc == SQLITE_OK;
    return rc;
}
