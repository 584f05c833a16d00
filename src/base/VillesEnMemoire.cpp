#include "VillesEnMemoire.h"

#include "PoigneesSqlite.h"
#include "RepliSansAccent.h"

#include <algorithm>
#include <sqlite3.h>

namespace {

bool QueDesChiffres(const char* texte, std::size_t longueur) {
    for (std::size_t k = 0; k < longueur; ++k) {
        if (texte[k] < '0' || texte[k] > '9') {
            return false;
        }
    }
    return true;
}

} // namespace

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
    int rc = sqlite3_prepare_v2(connexion, kLectureVilles, -1, &brute, nullptr);
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

int EtatVilles::ChargerAutresNoms(sqlite3* connexion) {
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
        autresParCouple[texte(0) + '\t' + texte(1)].push_back(texte(2));
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}
