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

// A run of folded units: one byte each in Noms::octets, as nearly every name
// folds (UniteEnOctet), or in Noms::unites when large. The structures kept
// whole in the store (VillesPretes.h) have no hidden padding, so that their
// bytes are the same from one build to the next.
struct Plage {
    std::uint32_t debut = 0;
    std::uint32_t fin = 0;
    std::uint8_t large = 0;
    std::uint8_t bourrage[3] = {};
};

// An other name: its text in Noms::textes, followed by a NUL.
struct AutreNom {
    std::uint32_t texte = 0;
    std::uint32_t longueur = 0;
    Plage replie;
};

// Folded names and other names, for every row kept in memory or for the one
// row a cursor reads from the store.
struct Noms {
    std::vector<std::uint8_t> octets;
    std::vector<std::uint32_t> unites;
    std::vector<AutreNom> autres;
    std::string textes; // the other names' texts

    // Folds a UTF-8 text at the end of octets or unites; pli is room for its
    // units.
    Plage Replier(const char* texte, std::size_t longueur, std::vector<std::uint32_t>& pli);
    void AjouterAutre(const std::string& nom, std::vector<std::uint32_t>& pli);
    std::string_view Autre(const AutreNom& autre) const { return {textes.data() + autre.texte, autre.longueur}; }
    void Vider();
};

// A stored row as the conditions read it. Cp is NULL when cp is; Ville is
// read by LIKE unless NULL, and may equal a value unless NULL or a blob. Its
// folded names are in noms.
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
    const Noms* noms = nullptr;
};

// A row kept in memory: its texts in Villes::textes, Cp then Ville up to the
// next row's, each followed by a NUL; its names folded in Villes::noms. Its
// rowid is its place plus one.
struct LigneMemoire {
    std::uint32_t texte = 0;
    Plage ville;
    std::uint32_t premierAutre = 0;
    std::uint16_t longueurCp = 0;
    std::uint16_t nombreAutres = 0;
    std::uint8_t cpChiffres = 0;
    std::uint8_t bourrage[3] = {};
};

// The stored rows of one connection, which do not change once read: kept in
// memory with their names folded when every value is text, as in every store
// the builder writes, taken as they lie from the layout the builder stored
// beside them (VillesPretes.h) when it is there and of this very folding;
// else read from the store at each search, with the other names of each row.
struct Villes {
    enum class Memoire { AFaire, Faite, Impossible };
    Memoire memoire = Memoire::AFaire;
    std::vector<LigneMemoire> lignes;
    // The rows' numbers by postal code, then in store order: a postal code
    // typed whole reads its few rows only.
    std::vector<std::uint32_t> parCode;
    std::string textes;
    Noms noms;
    // Read from the store at each search: the other names of each
    // "Cp\tVille", and the postal codes that have some.
    std::unordered_map<std::string, std::vector<std::string>> autresParCouple;
    std::unordered_set<std::string> codesAutres;
    std::size_t nombreAutres = 0;

    // Keeps the rows in memory, from the stored layout or else computed
    // from the rows; memoire then says which way the rows are read (with the
    // other names kept for the store's reading when Impossible). Returns
    // SQLITE_OK or the engine's error code reading the other names; a failure
    // reading the rows leaves them to be read, and the failure met, at each
    // search.
    int Charger(sqlite3* connexion);
    // The row kept in memory at that place as the conditions read it, and
    // its two texts.
    VueLigne Vue(std::uint32_t ligne) const;
    std::string_view Code(std::uint32_t ligne) const;
    std::string_view Ville(std::uint32_t ligne) const;
    // parCode, from the rows kept.
    void Classer();

private:
    int ChargerAutresNoms(sqlite3* connexion);
    bool Calculer(sqlite3* connexion, std::size_t nombre);
    bool Retenir(sqlite3_stmt* lecture, std::vector<std::uint32_t>& pli);
};

// Whether a postal code is digits only, which fold to themselves.
bool QueDesChiffres(const char* texte, std::size_t longueur);

// The row the statement (rowid, Cp, Ville) stands on, its names and the other
// names villes lists for it folded at the end of noms.
VueLigne LireLigne(sqlite3_stmt* lecture, const Villes& villes, Noms& noms, std::vector<std::uint32_t>& pli);
