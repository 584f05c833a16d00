#include "VillesEnMemoire.h"

#include "PoigneesSqlite.h"
#include "RepliSansAccent.h"

#include <algorithm>
#include <sqlite3.h>

namespace {

// Beyond this many rows a store is read at each search rather than kept.
constexpr sqlite3_int64 kLignesAuPlus = 4'000'000;

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
    pli.clear();
    if (texte != nullptr) {
        ::Replier(texte, longueur, pli);
    }
    const std::size_t avant = octets.size();
    std::uint8_t octet = 0;
    for (const std::uint32_t unite : pli) {
        if (!UniteEnOctet(unite, octet)) {
            octets.resize(avant);
            Plage large{static_cast<std::uint32_t>(unites.size()), 0, true};
            unites.insert(unites.end(), pli.begin(), pli.end());
            large.fin = static_cast<std::uint32_t>(unites.size());
            return large;
        }
        octets.push_back(octet);
    }
    return {static_cast<std::uint32_t>(avant), static_cast<std::uint32_t>(octets.size()), false};
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
    // Most rows have no other name: their postal code alone says so.
    if (vue.cp == nullptr || ville == nullptr || codesAutres.count(std::string(vue.cp, vue.longueurCp)) == 0) {
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

// Reads every row into memory, its room taken at once so that no buffer
// grows by copies. A store with a value that is not text, rows not numbered
// from 1 in order, or that fails partway, is left to be read at each search,
// where its values and its failure reach the program as the engine gives
// them.
int EtatVilles::Charger(sqlite3* connexion) {
    memoire = Memoire::Impossible;
    sqlite3_stmt* brute = nullptr;
    int rc = sqlite3_prepare_v2(connexion, "SELECT count(*), max(rowid) FROM main.Quilvarest", -1, &brute, nullptr);
    const InstructionSqlite mesure(brute);
    if (rc != SQLITE_OK || sqlite3_step(mesure.get()) != SQLITE_ROW ||
        sqlite3_column_int64(mesure.get(), 0) != sqlite3_column_int64(mesure.get(), 1) ||
        sqlite3_column_int64(mesure.get(), 0) > kLignesAuPlus) {
        return rc;
    }
    // Room for names a little longer than a French commune's on average;
    // longer ones only make a buffer grow.
    const auto nombre = static_cast<std::size_t>(sqlite3_column_int64(mesure.get(), 0));
    lignes.reserve(nombre);
    textes.reserve(nombre * 24);
    octets.reserve(nombre * 20);
    autres.reserve(nombreAutres);
    brute = nullptr;
    rc = sqlite3_prepare_v2(connexion, kLectureVilles, -1, &brute, nullptr);
    const InstructionSqlite lecture(brute);
    for (rc = rc == SQLITE_OK ? sqlite3_step(lecture.get()) : rc; rc == SQLITE_ROW; rc = sqlite3_step(lecture.get())) {
        if (!Retenir(lecture.get())) {
            rc = SQLITE_MISMATCH;
            break;
        }
    }
    if (rc != SQLITE_DONE) {
        lignes = {};
        textes = {};
        octets = {};
        unites = {};
        autres = {};
        return rc;
    }
    parCode.resize(lignes.size());
    for (std::uint32_t k = 0; k < parCode.size(); ++k) {
        parCode[k] = k;
    }
    // A store of ours is in postal code order already.
    const auto avant = [this](std::uint32_t a, std::uint32_t b) { return Code(a) < Code(b); };
    if (!std::is_sorted(parCode.begin(), parCode.end(), avant)) {
        std::stable_sort(parCode.begin(), parCode.end(), avant);
    }
    // Every row has taken its other names.
    autresParCouple = {};
    codesAutres = {};
    memoire = Memoire::Faite;
    return SQLITE_OK;
}

// Keeps the row the reading stands on; false for one memory cannot hold.
bool EtatVilles::Retenir(sqlite3_stmt* lecture) {
    if (sqlite3_column_type(lecture, 1) != SQLITE_TEXT || sqlite3_column_type(lecture, 2) != SQLITE_TEXT ||
        sqlite3_column_int64(lecture, 0) != static_cast<sqlite3_int64>(lignes.size() + 1) ||
        sqlite3_column_bytes(lecture, 1) > 0xFFFF) {
        return false;
    }
    const VueLigne vue = Lire(lecture);
    LigneMemoire ligne;
    ligne.texte = static_cast<std::uint32_t>(textes.size());
    ligne.ville = vue.ville;
    ligne.premierAutre = vue.premierAutre;
    ligne.longueurCp = static_cast<std::uint16_t>(vue.longueurCp);
    ligne.nombreAutres = static_cast<std::uint16_t>(vue.nombreAutres);
    ligne.cpChiffres = vue.cpChiffres;
    // Each text ends with a NUL, as the engine's own: the engine then hands
    // it to the program as it is, without a copy to terminate it.
    textes.append(vue.cp, vue.longueurCp);
    textes += '\0';
    textes.append(reinterpret_cast<const char*>(sqlite3_column_text(lecture, 2)),
                  static_cast<std::size_t>(sqlite3_column_bytes(lecture, 2)));
    textes += '\0';
    lignes.push_back(ligne);
    return true;
}

VueLigne EtatVilles::Vue(std::uint32_t ligne) const {
    const LigneMemoire& gardee = lignes[ligne];
    VueLigne vue;
    vue.cp = textes.data() + gardee.texte;
    vue.longueurCp = gardee.longueurCp;
    vue.cpChiffres = gardee.cpChiffres;
    vue.villeLue = true;
    vue.villeTexte = true;
    vue.ville = gardee.ville;
    vue.premierAutre = gardee.premierAutre;
    vue.nombreAutres = gardee.nombreAutres;
    return vue;
}

std::string_view EtatVilles::Code(std::uint32_t ligne) const {
    return {textes.data() + lignes[ligne].texte, lignes[ligne].longueurCp};
}

std::string_view EtatVilles::Ville(std::uint32_t ligne) const {
    const std::size_t debut = lignes[ligne].texte + lignes[ligne].longueurCp + 1;
    const std::size_t fin = (ligne + 1 < lignes.size() ? lignes[ligne + 1].texte : textes.size()) - 1;
    return {textes.data() + debut, fin - debut};
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
        codesAutres.insert(texte(0));
        ++nombreAutres;
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}
