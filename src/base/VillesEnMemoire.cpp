#include "VillesEnMemoire.h"

#include "PoigneesSqlite.h"
#include "RepliSansAccent.h"
#include "VillesPretes.h"

#include <algorithm>
#include <sqlite3.h>

namespace {

// Beyond this many rows a store is read at each search rather than kept.
constexpr sqlite3_int64 kLignesAuPlus = 4'000'000;

// The number of rows, numbered from 1 on as the builder writes them, counted
// to check that no number is missing; -1 when one is, or when there are more
// than memory keeps. compter false looks up the last number only, for the
// layout that stands for the rows: counting reads every page of a table the
// search then never reads.
sqlite3_int64 NombreDeLignes(sqlite3* connexion, bool compter) {
    sqlite3_stmt* brute = nullptr;
    const char* sql = compter ? "SELECT count(*), max(rowid) FROM main.Quilvarest"
                              : "SELECT max(rowid), max(rowid) FROM main.Quilvarest";
    if (sqlite3_prepare_v2(connexion, sql, -1, &brute, nullptr) != SQLITE_OK) {
        return -1;
    }
    const InstructionSqlite mesure(brute);
    if (sqlite3_step(mesure.get()) != SQLITE_ROW ||
        sqlite3_column_int64(mesure.get(), 0) != sqlite3_column_int64(mesure.get(), 1) ||
        sqlite3_column_int64(mesure.get(), 0) > kLignesAuPlus) {
        return -1;
    }
    return sqlite3_column_int64(mesure.get(), 0);
}

} // namespace

bool QueDesChiffres(const char* texte, std::size_t longueur) {
    for (std::size_t k = 0; k < longueur; ++k) {
        if (texte[k] < '0' || texte[k] > '9') {
            return false;
        }
    }
    return true;
}

Plage Noms::Replier(const char* texte, std::size_t longueur, std::vector<std::uint32_t>& pli) {
    pli.clear();
    if (texte != nullptr) {
        ::Replier(texte, longueur, pli);
    }
    const std::size_t avant = octets.size();
    std::uint8_t octet = 0;
    for (const std::uint32_t unite : pli) {
        if (!UniteEnOctet(unite, octet)) {
            octets.resize(avant);
            Plage large;
            large.debut = static_cast<std::uint32_t>(unites.size());
            large.large = 1;
            unites.insert(unites.end(), pli.begin(), pli.end());
            large.fin = static_cast<std::uint32_t>(unites.size());
            return large;
        }
        octets.push_back(octet);
    }
    Plage plage;
    plage.debut = static_cast<std::uint32_t>(avant);
    plage.fin = static_cast<std::uint32_t>(octets.size());
    return plage;
}

void Noms::AjouterAutre(const std::string& nom, std::vector<std::uint32_t>& pli) {
    AutreNom autre;
    autre.texte = static_cast<std::uint32_t>(textes.size());
    autre.longueur = static_cast<std::uint32_t>(nom.size());
    autre.replie = Replier(nom.data(), nom.size(), pli);
    textes += nom;
    textes += '\0';
    autres.push_back(autre);
}

void Noms::Vider() {
    octets.clear();
    unites.clear();
    autres.clear();
    textes.clear();
}

VueLigne LireLigne(sqlite3_stmt* lecture, const Villes& villes, Noms& noms, std::vector<std::uint32_t>& pli) {
    // The types first: reading a value as text may convert it.
    VueLigne vue;
    vue.noms = &noms;
    vue.cpBlob = sqlite3_column_type(lecture, 1) == SQLITE_BLOB;
    const bool villeBlob = sqlite3_column_type(lecture, 2) == SQLITE_BLOB;
    vue.cp = reinterpret_cast<const char*>(sqlite3_column_text(lecture, 1));
    vue.longueurCp = static_cast<std::size_t>(sqlite3_column_bytes(lecture, 1));
    vue.cpChiffres = vue.cp != nullptr && QueDesChiffres(vue.cp, vue.longueurCp);
    const auto* ville = reinterpret_cast<const char*>(sqlite3_column_text(lecture, 2));
    const auto longueurVille = static_cast<std::size_t>(sqlite3_column_bytes(lecture, 2));
    vue.villeLue = ville != nullptr;
    vue.villeTexte = ville != nullptr && !villeBlob;
    vue.ville = noms.Replier(ville, longueurVille, pli);
    // Most rows have no other name: their postal code alone says so.
    if (vue.cp == nullptr || ville == nullptr || villes.codesAutres.count(std::string(vue.cp, vue.longueurCp)) == 0) {
        return vue;
    }
    std::string couple(vue.cp, vue.longueurCp);
    couple += '\t';
    couple.append(ville, longueurVille);
    const auto autres = villes.autresParCouple.find(couple);
    if (autres != villes.autresParCouple.end()) {
        vue.premierAutre = static_cast<std::uint32_t>(noms.autres.size());
        vue.nombreAutres = static_cast<std::uint32_t>(autres->second.size());
        for (const std::string& nom : autres->second) {
            noms.AjouterAutre(nom, pli);
        }
    }
    return vue;
}

int Villes::Charger(sqlite3* connexion) {
    memoire = Memoire::Impossible;
    sqlite3_int64 nombre = NombreDeLignes(connexion, false);
    if (nombre >= 0 && LireVillesPretes(connexion, static_cast<std::size_t>(nombre), *this)) {
        memoire = Memoire::Faite;
    } else if (const int erreur = ChargerAutresNoms(connexion); erreur != SQLITE_OK) {
        return erreur;
    } else if ((nombre = NombreDeLignes(connexion, true)) >= 0 &&
               Calculer(connexion, static_cast<std::size_t>(nombre))) {
        // Every row has taken its other names.
        autresParCouple = {};
        codesAutres = {};
        memoire = Memoire::Faite;
    }
    if (memoire == Memoire::Faite) {
        Classer();
        // The search reads no page of the store from now on: the engine's
        // cache of them goes.
        sqlite3_db_release_memory(connexion);
    }
    return SQLITE_OK;
}

// Reads every row into memory, its room taken at once so that no buffer
// grows by copies. A store with a value that is not text, rows not numbered
// from 1 in order, or that fails partway, is left to be read at each search,
// where its values and its failure reach the program as the engine gives
// them.
bool Villes::Calculer(sqlite3* connexion, std::size_t nombre) {
    // Room for names a little longer than a French commune's on average;
    // longer ones only make a buffer grow.
    lignes.reserve(nombre);
    textes.reserve(nombre * 24);
    noms.octets.reserve(nombre * 20);
    noms.autres.reserve(nombreAutres);
    sqlite3_stmt* brute = nullptr;
    int rc = sqlite3_prepare_v2(connexion, kLectureVilles, -1, &brute, nullptr);
    const InstructionSqlite lecture(brute);
    std::vector<std::uint32_t> pli;
    for (rc = rc == SQLITE_OK ? sqlite3_step(lecture.get()) : rc; rc == SQLITE_ROW; rc = sqlite3_step(lecture.get())) {
        if (!Retenir(lecture.get(), pli)) {
            rc = SQLITE_MISMATCH;
            break;
        }
    }
    if (rc != SQLITE_DONE) {
        lignes = {};
        textes = {};
        noms = {};
        return false;
    }
    return true;
}

void Villes::Classer() {
    parCode.resize(lignes.size());
    for (std::uint32_t k = 0; k < parCode.size(); ++k) {
        parCode[k] = k;
    }
    // A store of ours is in postal code order already.
    const auto avant = [this](std::uint32_t a, std::uint32_t b) { return Code(a) < Code(b); };
    if (!std::is_sorted(parCode.begin(), parCode.end(), avant)) {
        std::stable_sort(parCode.begin(), parCode.end(), avant);
    }
}

// Keeps the row the reading stands on; false for one memory cannot hold.
bool Villes::Retenir(sqlite3_stmt* lecture, std::vector<std::uint32_t>& pli) {
    if (sqlite3_column_type(lecture, 1) != SQLITE_TEXT || sqlite3_column_type(lecture, 2) != SQLITE_TEXT ||
        sqlite3_column_int64(lecture, 0) != static_cast<sqlite3_int64>(lignes.size() + 1) ||
        sqlite3_column_bytes(lecture, 1) > 0xFFFF) {
        return false;
    }
    const VueLigne vue = LireLigne(lecture, *this, noms, pli);
    LigneMemoire ligne;
    ligne.texte = static_cast<std::uint32_t>(textes.size());
    ligne.ville = vue.ville;
    ligne.premierAutre = vue.premierAutre;
    ligne.longueurCp = static_cast<std::uint16_t>(vue.longueurCp);
    ligne.nombreAutres = static_cast<std::uint16_t>(vue.nombreAutres);
    ligne.cpChiffres = vue.cpChiffres ? 1 : 0;
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

VueLigne Villes::Vue(std::uint32_t ligne) const {
    const LigneMemoire& gardee = lignes[ligne];
    VueLigne vue;
    vue.cp = textes.data() + gardee.texte;
    vue.longueurCp = gardee.longueurCp;
    vue.cpChiffres = gardee.cpChiffres != 0;
    vue.villeLue = true;
    vue.villeTexte = true;
    vue.ville = gardee.ville;
    vue.premierAutre = gardee.premierAutre;
    vue.nombreAutres = gardee.nombreAutres;
    vue.noms = &noms;
    return vue;
}

std::string_view Villes::Code(std::uint32_t ligne) const {
    return {textes.data() + lignes[ligne].texte, lignes[ligne].longueurCp};
}

std::string_view Villes::Ville(std::uint32_t ligne) const {
    const std::size_t debut = lignes[ligne].texte + lignes[ligne].longueurCp + 1;
    const std::size_t fin = (ligne + 1 < lignes.size() ? lignes[ligne + 1].texte : textes.size()) - 1;
    return {textes.data() + debut, fin - debut};
}

// Reads the table AutresNoms (Cp, Ville, Nom); a store without it, or with
// another table under that name, has no other names.
int Villes::ChargerAutresNoms(sqlite3* connexion) {
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
