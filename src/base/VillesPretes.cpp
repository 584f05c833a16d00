#include "VillesPretes.h"

#include "PoigneesSqlite.h"
#include "VillesEnMemoire.h"

#include <sqlite3.h>
#include <type_traits>

namespace {

static_assert(sizeof(Plage) == 12 && sizeof(AutreNom) == 20 && sizeof(LigneMemoire) == 28,
              "the stored layout has no hidden padding");
static_assert(std::is_trivially_copyable_v<LigneMemoire> && std::is_trivially_copyable_v<AutreNom>);

constexpr char kTable[] = "VillesPretes";

// Calls colonne(name, container) for each stored column in the table's order,
// while it returns true; villes is const for a write.
template <class V, class F> bool PourChaqueColonne(V& villes, F colonne) {
    return colonne("Lignes", villes.lignes) && colonne("Textes", villes.textes) &&
           colonne("Octets", villes.noms.octets) && colonne("Unites", villes.noms.unites) &&
           colonne("Autres", villes.noms.autres) && colonne("TextesAutres", villes.noms.textes);
}

template <class Conteneur> std::size_t Octets(const Conteneur& conteneur) {
    return conteneur.size() * sizeof(conteneur[0]);
}

bool DansLimites(const Plage& plage, const Noms& noms) {
    const std::size_t taille = plage.large != 0 ? noms.unites.size() : noms.octets.size();
    return plage.debut <= plage.fin && plage.fin <= taille;
}

// Whether every place the rows refer to lies within the buffers, each text
// where the rows say, followed by its NUL: a store damaged or made by hand
// must not make the search read outside them.
bool Coherentes(const Villes& villes) {
    const std::string& textes = villes.textes;
    const Noms& noms = villes.noms;
    std::size_t position = 0;
    for (std::size_t k = 0; k < villes.lignes.size(); ++k) {
        const LigneMemoire& ligne = villes.lignes[k];
        const std::size_t finCp = position + ligne.longueurCp;
        const std::size_t suivante = k + 1 < villes.lignes.size() ? villes.lignes[k + 1].texte : textes.size();
        if (ligne.texte != position || suivante < finCp + 2 || suivante > textes.size() || textes[finCp] != '\0' ||
            textes[suivante - 1] != '\0' ||
            (ligne.cpChiffres != 0) != QueDesChiffres(&textes[position], ligne.longueurCp) ||
            !DansLimites(ligne.ville, noms) ||
            std::size_t{ligne.premierAutre} + ligne.nombreAutres > noms.autres.size()) {
            return false;
        }
        position = suivante;
    }
    if (position != textes.size()) {
        return false;
    }
    for (const AutreNom& autre : noms.autres) {
        const std::size_t fin = std::size_t{autre.texte} + autre.longueur;
        if (fin >= noms.textes.size() || noms.textes[fin] != '\0' || !DansLimites(autre.replie, noms)) {
            return false;
        }
    }
    return true;
}

// Reads a stored column of octets bytes into conteneur, straight from the
// store's pages: no copy of the whole value is made on the way.
template <class Conteneur>
bool LireColonne(sqlite3* connexion, sqlite3_int64 rangee, const char* colonne, sqlite3_int64 octets,
                 Conteneur& conteneur) {
    if (octets < 0 || static_cast<std::size_t>(octets) % sizeof(conteneur[0]) != 0) {
        return false;
    }
    conteneur.resize(static_cast<std::size_t>(octets) / sizeof(conteneur[0]));
    if (octets == 0) {
        return true;
    }
    sqlite3_blob* blob = nullptr;
    const bool lue = sqlite3_blob_open(connexion, "main", kTable, colonne, rangee, 0, &blob) == SQLITE_OK &&
                     sqlite3_blob_bytes(blob) == octets &&
                     sqlite3_blob_read(blob, conteneur.data(), static_cast<int>(octets), 0) == SQLITE_OK;
    sqlite3_blob_close(blob);
    return lue;
}

bool Lire(sqlite3* connexion, std::size_t nombre, Villes& villes) {
    sqlite3_stmt* brute = nullptr;
    if (sqlite3_prepare_v2(connexion,
                           "SELECT rowid, Empreinte, length(Lignes), length(Textes), length(Octets), "
                           "length(Unites), length(Autres), length(TextesAutres) FROM main.VillesPretes",
                           -1, &brute, nullptr) != SQLITE_OK) {
        return false;
    }
    const InstructionSqlite mesure(brute);
    if (sqlite3_step(mesure.get()) != SQLITE_ROW || sqlite3_column_type(mesure.get(), 1) != SQLITE_TEXT ||
        EmpreinteVilles() != reinterpret_cast<const char*>(sqlite3_column_text(mesure.get(), 1)) ||
        static_cast<std::size_t>(sqlite3_column_int64(mesure.get(), 2)) != nombre * sizeof(LigneMemoire)) {
        return false;
    }
    const sqlite3_int64 rangee = sqlite3_column_int64(mesure.get(), 0);
    int colonne = 2;
    const bool lues = PourChaqueColonne(villes, [&](const char* nom, auto& conteneur) {
        return LireColonne(connexion, rangee, nom, sqlite3_column_int64(mesure.get(), colonne++), conteneur);
    });
    // One row only: a second would be a layout no builder wrote.
    return lues && sqlite3_step(mesure.get()) == SQLITE_DONE && Coherentes(villes);
}

} // namespace

const std::string& EmpreinteVilles() {
    static const std::string kEmpreinte = QUILVAREST_EMPREINTE_VILLES;
    return kEmpreinte;
}

bool LireVillesPretes(sqlite3* connexion, std::size_t nombre, Villes& villes) {
    if (Lire(connexion, nombre, villes)) {
        return true;
    }
    villes.lignes = {};
    villes.textes = {};
    villes.noms = {};
    return false;
}

int EcrireVillesPretes(sqlite3* connexion, const Villes& villes) {
    int rc = sqlite3_exec(connexion,
                          "CREATE TABLE VillesPretes (Empreinte TEXT NOT NULL, Lignes BLOB NOT NULL, Textes BLOB NOT "
                          "NULL, Octets BLOB NOT NULL, Unites BLOB NOT NULL, Autres BLOB NOT NULL, TextesAutres BLOB "
                          "NOT NULL)",
                          nullptr, nullptr, nullptr);
    sqlite3_stmt* brute = nullptr;
    if (rc == SQLITE_OK) {
        rc = sqlite3_prepare_v2(connexion, "INSERT INTO VillesPretes VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)", -1, &brute,
                                nullptr);
    }
    const InstructionSqlite insertion(brute);
    if (rc != SQLITE_OK) {
        return rc;
    }
    rc = sqlite3_bind_text(insertion.get(), 1, EmpreinteVilles().c_str(), -1, SQLITE_STATIC);
    int parametre = 2;
    PourChaqueColonne(villes, [&](const char*, const auto& conteneur) {
        // An empty column is an empty blob, not the NULL a null pointer binds.
        if (rc == SQLITE_OK) {
            rc = conteneur.empty() ? sqlite3_bind_zeroblob(insertion.get(), parametre, 0)
                                   : sqlite3_bind_blob64(insertion.get(), parametre, conteneur.data(),
                                                         Octets(conteneur), SQLITE_STATIC);
        }
        ++parametre;
        return rc == SQLITE_OK;
    });
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(insertion.get());
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}
