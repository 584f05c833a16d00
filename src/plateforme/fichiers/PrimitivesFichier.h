#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The system calls the file layer rests on, and nothing more, implemented by
// AccesFichier_<system>.cpp; every rule built on them is written once, in
// the portable files. Paths are UTF-8; codes are the system's or
// ErreurFichier.h's, 0 being success.

using Poignee = std::intptr_t;
inline constexpr Poignee kAucunePoignee = -1;

enum class Genre { Ordinaire, Dossier, Autre };

struct EtatFichier {
    Genre genre = Genre::Autre;
    std::string identite; // tells the file from every other on the machine
    std::uint64_t taille = 0;
    std::int64_t modification = 0; // in the system's finest unit
    std::uint32_t liens = 1;       // its names (hard links)
    bool aNous = false;            // owned by the running user
    // Someone else may write it: on Windows, an access entry letting anyone
    // but the user, SYSTEM and Administrators write, delete or change rights.
    bool ouvertAuxAutres = true;
};

extern const char kSeparateur;
std::string TexteSysteme(int erreur);
// The folder refuses the new name or the rename (not ours to write,
// read-only, sticky), or the name is taken: the file is then written in place.
bool NomRefuse(int erreur);
bool PlaceManquante(int erreur); // the disk or the user's quota is full

// The caller's file: opened once by its path (links followed, for writing
// refused when the user may not write it or it is marked read-only, a pipe
// never waited on), then only through the handle.
Poignee OuvrirChemin(const std::string& chemin, bool ecriture, int& erreur);
std::string CheminDe(Poignee poignee); // every link resolved; "" when the system cannot say
Poignee RouvrirEnEcriture(Poignee poignee, int& erreur);
int EtatDe(Poignee poignee, EtatFichier& etat);
int LireMorceau(Poignee poignee, std::uint64_t position, char* tampon, std::size_t taille, std::size_t& lus);
int EcrireMorceau(Poignee poignee, const char* octets, std::size_t taille, std::uint64_t position, std::size_t& ecrits);
// Sets aside the space first, so that a full disk fails before a byte is
// overwritten; 0 where the system cannot say.
int Reserver(Poignee poignee, std::uint64_t taille);
int FixerTaille(Poignee poignee, std::uint64_t taille);
int Synchroniser(Poignee poignee);
int FermerPoignee(Poignee poignee); // a lost write may still show here

// The exclusive lock, not waited for: false only while another handle holds
// it. On Windows a byte far past any content, since locks there refuse reads.
bool PrendreVerrou(Poignee poignee);
bool Designe(const std::string& chemin, const std::string& identite); // links followed

// The temporary file: unnamed where the system allows (Linux's O_TMPFILE, so
// that a kill leaves it nowhere), else kAucunePoignee; then named.
Poignee CreerSansNom(const std::string& dossier);
int DonnerNom(Poignee poignee, const std::string& chemin);
// The original's owner, group, mode and extended attributes, which a rename
// would lose; on Windows the replacement keeps them.
int ReprendreAttributs(Poignee original, Poignee nouveau);
// Puts temporaire in cible's place in one step; poignee is closed on every outcome.
int Substituer(Poignee poignee, const std::string& temporaire, const std::string& cible);

// The roots of the copies' folders, the user's cache first (it outlives a
// restart), then the temporary folder, each with its folders one inside the
// other. A root of the user's own is checked like them (aVerifier); a shared
// one, like /tmp, is not.
struct Racine {
    std::string chemin;
    bool aVerifier = true;
    std::vector<std::string> dossiers;
};
std::vector<Racine> RacinesCopies();

// nom in the folder dossier whose path is cheminDossier (by that path when
// dossier is kAucunePoignee, by nom alone when the path is empty), never
// following a link or a reparse point at that last step. With creer, made
// first, the user's alone; a file made so is open to write.
Poignee OuvrirDans(Poignee dossier, const std::string& cheminDossier, const std::string& nom, Genre genre, bool creer,
                   int& erreur);
void SupprimerDans(Poignee dossier, const std::string& cheminDossier, const std::string& nom,
                   Genre genre = Genre::Ordinaire); // a folder only when empty
