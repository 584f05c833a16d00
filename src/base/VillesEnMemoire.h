#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The stored rows of a connection as the towns' table (TableVilles.h) reads
// them: each name and other name folded once (RepliSansAccent.h).

inline constexpr char kLectureVilles[] = "SELECT rowid, Cp, Ville FROM main.Quilvarest";

// A run of folded units: one byte each in EtatVilles::octets, as nearly
// every name folds (UniteEnOctet), or in EtatVilles::unites when large.
struct Plage {
    std::uint32_t debut = 0;
    std::uint32_t fin = 0;
    bool large = false;
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

// A row kept in memory: its texts in EtatVilles::textes, Cp then Ville up to
// the next row's, each followed by a NUL; its names folded in EtatVilles::octets and autres. Its
// rowid is its place plus one.
struct LigneMemoire {
    std::uint32_t texte = 0;
    Plage ville;
    std::uint32_t premierAutre = 0;
    std::uint16_t longueurCp = 0;
    std::uint16_t nombreAutres = 0;
    bool cpChiffres = false;
};

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
    std::vector<std::uint8_t> octets;
    std::vector<std::uint32_t> unites;
    std::vector<std::uint32_t> pli; // one name's units, before they are kept
    std::vector<AutreNom> autres;
    // The other names of each "Cp\tVille".
    std::unordered_map<std::string, std::vector<std::string>> autresParCouple;
    std::unordered_set<std::string> codesAutres; // the postal codes of autresParCouple
    std::size_t nombreAutres = 0;
    std::string autreNomTrouve;

    Plage Replier(const char* texte, std::size_t longueur);
    VueLigne Lire(sqlite3_stmt* lecture);
    // The row kept in memory at that place as the conditions read it, and
    // its two texts.
    VueLigne Vue(std::uint32_t ligne) const;
    std::string_view Code(std::uint32_t ligne) const;
    std::string_view Ville(std::uint32_t ligne) const;
    // Reads the table AutresNoms (Cp, Ville, Nom); a store without it, or
    // with another table under that name, has no other names. Returns
    // SQLITE_OK or the engine's error code.
    int ChargerAutresNoms(sqlite3* connexion);
    int Charger(sqlite3* connexion);

private:
    bool Retenir(sqlite3_stmt* lecture);
};
