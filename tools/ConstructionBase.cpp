#include "ConstructionBase.h"

#include "ComparaisonSansAccent.h"
#include "Echec.h"
#include "PoigneesSqlite.h"
#include "RepliSansAccent.h"
#include "Utf8.h"
#include "VillesEnMemoire.h"
#include "VillesPretes.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sqlite3.h>
#include <unordered_map>
#include <vector>

namespace {

void VerifierMoteur(sqlite3* connexion, int rc, const std::string& chemin) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        throw Echec("Écriture de la base « " + chemin + " » impossible : " + sqlite3_errmsg(connexion));
    }
}

// Number of characters in a UTF-8 text, or npos when it is not UTF-8.
std::size_t CaracteresUtf8(const std::string& texte) {
    const auto* p = reinterpret_cast<const unsigned char*>(texte.data());
    const unsigned char* const fin = p + texte.size();
    std::size_t nombre = 0;
    for (; p < fin; ++nombre) {
        if (EstOctetInvalide(DecoderUtf8(p, fin))) {
            return std::string::npos;
        }
    }
    return nombre;
}

// What is wrong with the line "cp<TAB>ville", or "" when it is a valid row.
std::string DefautLigne(const std::string& ligne, std::string& cp, std::string& ville) {
    const std::size_t tabulation = ligne.find('\t');
    if (tabulation == std::string::npos) {
        return "tabulation attendue entre le code postal et la ville";
    }
    if (ligne.find('\t', tabulation + 1) != std::string::npos) {
        return "une seule tabulation attendue";
    }
    if (CaracteresUtf8(ligne) == std::string::npos) {
        return "texte non UTF-8";
    }
    cp.assign(ligne, 0, tabulation);
    ville.assign(ligne, tabulation + 1, std::string::npos);
    if (CaracteresUtf8(cp) != 5) {
        return "le code postal « " + cp + " » n'a pas cinq caractères";
    }
    if (ville.empty()) {
        return "ville manquante";
    }
    return {};
}

using Couples = std::unordered_map<std::string, std::size_t>; // a line -> its number

// What is wrong with a line, or "" when its fields are taken (none for a line
// taken but not written), and what names it in the message of a line seen
// twice.
using Analyse = std::function<std::string(const std::string& ligne, std::vector<std::string>& champs)>;
using Nommer = std::function<std::string(const std::vector<std::string>& champs)>;

// Inserts every line of source with insertion, one parameter per field; a
// checkout that turned LF into CRLF is tolerated. A line analyser refuses, or
// one seen before, stops the build, named by its number. Returns the lines.
Couples InsererLignes(std::istream& source, const std::string& nomSource, sqlite3* connexion, const std::string& chemin,
                      const char* insertion, const Analyse& analyser, const Nommer& nommer) {
    sqlite3_stmt* brute = nullptr;
    VerifierMoteur(connexion, sqlite3_prepare_v2(connexion, insertion, -1, &brute, nullptr), chemin);
    const InstructionSqlite instruction(brute);
    Couples lues;
    std::string ligne;
    std::vector<std::string> champs;
    for (std::size_t numero = 1; std::getline(source, ligne); ++numero) {
        if (!ligne.empty() && ligne.back() == '\r') {
            ligne.pop_back();
        }
        champs.clear();
        std::string defaut = analyser(ligne, champs);
        if (defaut.empty()) {
            const auto [deja, nouvelle] = lues.emplace(ligne, numero);
            if (!nouvelle) {
                defaut = nommer(champs) + " figure déjà ligne " + std::to_string(deja->second);
            }
        }
        if (!defaut.empty()) {
            throw Echec(nomSource + ", ligne " + std::to_string(numero) + " : " + defaut + ".");
        }
        if (champs.empty()) {
            continue;
        }
        for (std::size_t k = 0; k < champs.size(); ++k) {
            sqlite3_bind_text(instruction.get(), static_cast<int>(k + 1), champs[k].data(),
                              static_cast<int>(champs[k].size()), SQLITE_STATIC);
        }
        VerifierMoteur(connexion, sqlite3_step(instruction.get()), chemin);
        sqlite3_reset(instruction.get());
    }
    if (source.bad()) {
        throw Echec("Lecture de « " + nomSource + " » impossible.");
    }
    return lues;
}

Couples EcrireLignes(std::istream& source, const std::string& nomSource, sqlite3* connexion,
                     const std::string& chemin) {
    Couples couples = InsererLignes(
        source, nomSource, connexion, chemin, "INSERT INTO Quilvarest (Cp, Ville) VALUES (?1, ?2)",
        [](const std::string& ligne, std::vector<std::string>& champs) {
            champs.resize(2);
            return DefautLigne(ligne, champs[0], champs[1]);
        },
        [](const std::vector<std::string>& champs) { return "le couple « " + champs[0] + " " + champs[1] + " »"; });
    if (couples.empty()) {
        throw Echec(nomSource + " ne contient aucune ligne.");
    }
    return couples;
}

// What is wrong with the line "cp<TAB>ville<TAB>nom" of the other names, or ""
// when it names a row of the store and a name.
std::string DefautAutreNom(const std::string& ligne, const Couples& couples, std::vector<std::string>& champs) {
    const std::size_t premiere = ligne.find('\t');
    const std::size_t tabulation = ligne.rfind('\t');
    if (tabulation == std::string::npos || tabulation == premiere) {
        return "deux tabulations attendues entre le code postal, la ville et l'autre nom";
    }
    if (CaracteresUtf8(ligne) == std::string::npos) {
        return "texte non UTF-8";
    }
    if (couples.count(ligne.substr(0, tabulation)) == 0) {
        return "le couple « " + ligne.substr(0, premiere) + " " +
               ligne.substr(premiere + 1, tabulation - premiere - 1) + " » n'est pas dans la base";
    }
    champs = {ligne.substr(0, premiere), ligne.substr(premiere + 1, tabulation - premiere - 1),
              ligne.substr(tabulation + 1)};
    return champs[2].empty() ? "autre nom manquant" : "";
}

// A name folded as the search compares names with "Egal à".
std::vector<std::uint32_t> Replie(const std::string& nom) {
    std::vector<std::uint32_t> unites;
    Replier(nom.data(), nom.size(), unites);
    for (std::uint32_t& unite : unites) {
        unite &= ~kSuite;
    }
    return unites;
}

// Writes the other names that find something more: a name that folds to its
// row's own name, or to an other name of that row written before, adds
// nothing a search would not find already, and is left out.
void EcrireAutresNoms(std::istream& source, const std::string& nomSource, const Couples& couples, sqlite3* connexion,
                      const std::string& chemin) {
    std::unordered_map<std::string, std::vector<std::vector<std::uint32_t>>> replis; // "Cp\tVille" -> names
    InsererLignes(
        source, nomSource, connexion, chemin, "INSERT INTO AutresNoms (Cp, Ville, Nom) VALUES (?1, ?2, ?3)",
        [&couples, &replis](const std::string& ligne, std::vector<std::string>& champs) {
            std::string defaut = DefautAutreNom(ligne, couples, champs);
            if (!defaut.empty()) {
                return defaut;
            }
            auto& connus = replis[champs[0] + '\t' + champs[1]];
            if (connus.empty()) {
                connus.push_back(Replie(champs[1]));
            }
            std::vector<std::uint32_t> replie = Replie(champs[2]);
            if (std::find(connus.begin(), connus.end(), replie) != connus.end()) {
                champs.clear();
            } else {
                connus.push_back(std::move(replie));
            }
            return defaut;
        },
        [](const std::vector<std::string>& champs) { return "l'autre nom « " + champs[2] + " »"; });
}

} // namespace

std::size_t ConstruireBase(std::istream& source, const std::string& nomSource, const std::string& cheminBase,
                           std::istream* autresNoms, const std::string& nomAutres) {
    const std::string temporaire = cheminBase + ".tmp";
    std::error_code ignoree;
    std::filesystem::remove(temporaire, ignoree);
    try {
        std::size_t nombre = 0;
        {
            sqlite3* brute = nullptr;
            const int rc =
                sqlite3_open_v2(temporaire.c_str(), &brute, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
            const ConnexionSqlite connexion(brute);
            VerifierMoteur(connexion.get(), rc, temporaire);
            // The schema names the collation, so the writer must know it too.
            VerifierMoteur(connexion.get(), EnregistrerComparaisonSansAccent(connexion.get()), temporaire);
            // No journal: a failed build throws the temporary file away whole.
            const std::string creation = "PRAGMA page_size = 4096; PRAGMA journal_mode = OFF;"
                                         "CREATE TABLE Quilvarest (Cp TEXT NOT NULL, Ville TEXT NOT NULL COLLATE " +
                                         std::string(kCollationSansAccent) +
                                         ");"
                                         "CREATE TABLE AutresNoms (Cp TEXT NOT NULL, Ville TEXT NOT NULL, Nom TEXT "
                                         "NOT NULL); BEGIN;";
            VerifierMoteur(connexion.get(), sqlite3_exec(connexion.get(), creation.c_str(), nullptr, nullptr, nullptr),
                           temporaire);
            const Couples couples = EcrireLignes(source, nomSource, connexion.get(), temporaire);
            nombre = couples.size();
            if (autresNoms != nullptr) {
                EcrireAutresNoms(*autresNoms, nomAutres, couples, connexion.get(), temporaire);
            }
            // The rows as the search keeps them, folded once here rather than
            // at the first search of every process.
            Villes villes;
            VerifierMoteur(connexion.get(), villes.Charger(connexion.get()), temporaire);
            if (villes.memoire != Villes::Memoire::Faite) {
                throw Echec("Écriture de la base « " + temporaire + " » impossible : lignes trop nombreuses.");
            }
            VerifierMoteur(connexion.get(), EcrireVillesPretes(connexion.get(), villes), temporaire);
            VerifierMoteur(connexion.get(), sqlite3_exec(connexion.get(), "COMMIT;", nullptr, nullptr, nullptr),
                           temporaire);
        }
        std::filesystem::rename(temporaire, cheminBase);
        return nombre;
    } catch (const std::filesystem::filesystem_error& erreur) {
        std::filesystem::remove(temporaire, ignoree);
        throw Echec("Écriture de la base « " + cheminBase + " » impossible : " + erreur.what());
    } catch (...) {
        std::filesystem::remove(temporaire, ignoree);
        throw;
    }
}
