#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The system calls the file layer rests on, and nothing more: each
// AccesFichier_<system>.cpp implements them on the system's own API (POSIX,
// or the wide-character Win32 API); every rule built on them is written once,
// in the portable files. Paths are UTF-8. Codes are the system's (errno, or
// GetLastError), or ErreurFichier.h's kPasUnFichierOrdinaire; 0 is success.

// An open file or folder; kAucunePoignee when none.
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
    // Someone else may write it: on Windows an access entry letting anyone
    // but the user, SYSTEM and Administrators write, delete or change
    // permissions.
    bool ouvertAuxAutres = true;
};

extern const char kSeparateur; // between a folder's path and a name in it

std::string TexteSysteme(int erreur);
bool NomPris(int erreur);
// The folder refuses a new name or a rename (not ours to write, read-only,
// sticky): the file is then written in place.
bool NomRefuse(int erreur);
bool PlaceManquante(int erreur); // the disk or the user's quota is full

// ---- The caller's file, reached by its path once, a link followed

// Opens the existing file chemin for reading, or for writing too (which a
// file we may not write, or marked read-only on Windows, refuses), without
// waiting on a pipe.
Poignee OuvrirChemin(const std::string& chemin, bool ecriture, int& erreur);

// The path of the file open from chemin, every link resolved; "" when the
// system cannot say.
std::string CheminDe(Poignee poignee, const std::string& chemin);

Poignee RouvrirEnEcriture(Poignee poignee, int& erreur);
int EtatDe(Poignee poignee, EtatFichier& etat);
// lus is 0 at the end.
int LireMorceau(Poignee poignee, std::uint64_t position, char* tampon, std::size_t taille, std::size_t& lus);
int EcrireMorceau(Poignee poignee, const char* octets, std::size_t taille, std::uint64_t position, std::size_t& ecrits);
// Sets aside the space for taille bytes, so that a full disk fails before a
// byte is overwritten; 0 where the system cannot say.
int Reserver(Poignee poignee, std::uint64_t taille);
int FixerTaille(Poignee poignee, std::uint64_t taille);
int Synchroniser(Poignee poignee);
// Releases the handle's lock too; a lost write may still show here.
int FermerPoignee(Poignee poignee);

// ---- The lock

// Takes the exclusive lock of the handle's file without waiting; false only
// while another handle, of this process or another, holds it. A file system
// without locks counts as taken. On Windows a byte far past any content is
// locked, since its locks refuse reads of what they cover.
bool PrendreVerrou(Poignee poignee);

// Whether chemin, a link followed, names the file of that identity.
bool Designe(const std::string& chemin, const std::string& identite);

// ---- The temporary file beside the caller's, and its rename

// An unnamed new file in dossier (Linux's O_TMPFILE), which a kill leaves
// nowhere; kAucunePoignee where the system has none.
Poignee CreerSansNom(const std::string& dossier);

// Creates the new file chemin, readable by the user only, as poignee, or
// gives the unnamed file poignee that name.
int CreerSousNom(const std::string& chemin, Poignee& poignee);

// Gives the new file the original's owner, group, mode and extended
// attributes (POSIX ACLs among them), which a rename would lose. Nothing on
// Windows, where the replacement keeps them.
int ReprendreAttributs(Poignee original, Poignee nouveau);

// Puts the file temporaire, flushed and open as poignee, in the place of
// cible in one step; poignee is closed on every outcome.
int Substituer(Poignee poignee, const std::string& temporaire, const std::string& cible);

// Makes a new or removed name in dossier durable, where the system needs it.
void SynchroniserDossier(const std::string& dossier);

// ---- The folders of the backup copies, reached without following any link

// The roots the copies' folders are made under, the user's cache first,
// which outlives a restart, then the temporary folder, each with its folders
// one inside the other. A root of the user's own is checked like those
// folders (aVerifier); a shared one, like /tmp, is not.
struct Racine {
    std::string chemin;
    bool aVerifier = true;
    std::vector<std::string> dossiers;
};
std::vector<Racine> RacinesCopies();

// The folder, or file, nom in the folder parent whose path is cheminParent
// (reached by the path alone when parent is kAucunePoignee), opened without
// following a link or a reparse point at that last step. With creer, made
// first, readable by the user only; a file made so is opened to write.
Poignee OuvrirDossier(Poignee parent, const std::string& cheminParent, const std::string& nom, bool creer, int& erreur);
Poignee OuvrirDans(Poignee dossier, const std::string& cheminDossier, const std::string& nom, bool creer, int& erreur);
void SupprimerDans(Poignee dossier, const std::string& cheminDossier, const std::string& nom);
// Only when it is empty.
void SupprimerDossierDans(Poignee parent, const std::string& cheminParent, const std::string& nom);
// Folders and links left out.
std::vector<std::string> NomsDans(Poignee dossier, const std::string& cheminDossier);
