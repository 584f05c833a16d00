#include "TableVilles.h"

#include "ComparaisonSansAccent.h"
#include "ConditionsVilles.h"
#include "PoigneesSqlite.h"
#include "VillesEnMemoire.h"

#include <algorithm>
#include <cstring>
#include <sqlite3.h>
#include <string_view>

const std::string& AutreNomTrouve(const EtatVilles& etat) {
    return etat.autreNomTrouve;
}

namespace {

constexpr char kModule[] = "quilvarest_villes";
constexpr int kColonneCp = 0;
constexpr int kColonneVille = 1;

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
        etat.octets.clear();
        etat.unites.clear();
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
        if (Retenir(curseur.conditions, etat.Vue(curseur.ligne), etat, curseur.tampon)) {
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
    if (!curseur.enMemoire) {
        sqlite3_result_value(contexte, sqlite3_column_value(curseur.lecture.get(), colonne + 1));
        return SQLITE_OK;
    }
    const EtatVilles& etat = *Table(brut).etat;
    // The texts stay in place as long as the connection: no copy.
    const std::string_view texte = colonne == kColonneCp ? etat.Code(curseur.ligne) : etat.Ville(curseur.ligne);
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

void LibererEtat(void* etat) {
    delete static_cast<std::shared_ptr<EtatVilles>*>(etat);
}

} // namespace

int InstallerTableVilles(sqlite3* connexion, std::shared_ptr<EtatVilles>& etat) {
    etat.reset();
    sqlite3_stmt* essai = nullptr;
    const int lisible = sqlite3_prepare_v2(connexion, kLectureVilles, -1, &essai, nullptr);
    sqlite3_finalize(essai);
    if (lisible != SQLITE_OK) {
        return SQLITE_OK;
    }
    auto nouvel = std::make_shared<EtatVilles>();
    int rc = nouvel->ChargerAutresNoms(connexion);
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
