#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the file layer needs of the system, and nothing more: each
// AccesFichier_<system>.cpp implements these calls on the system's own API
// (POSIX, or the wide-character Win32 API), and every rule built on them
// (when to write in place, the lock, the backup copy, the repair, the check
// for a change made meanwhile) is written once, in the portable files. Paths
// are UTF-8. Codes are the system's (errno, or GetLastError on Windows), or
// kPasUnFichierOrdinaire (ErreurFichier.h); 0 is success.

// An open file or folder; kAucunePoignee when none.
using Poignee = std::intptr_t;
inline constexpr Poignee kAucunePoignee = -1;

enum class Genre { Ordinaire, Dossier, Autre };

// What the rules look at in a file or folder.
struct EtatFichier {
    Genre genre = Genre::Autre;
    std::string identite; // tells the file from every other on the machine
    std::uint64_t taille = 0;
    std::int64_t modification = 0; // in the system's finest unit
    std::uint32_t liens = 1;       // its names (hard links)
    bool aNous = false;            // owned by the running user
    // Someone else than its owner may write it: on Windows an access entry
    // letting anyone but the user, SYSTEM and Administrators write, delete
    // or change permissions.
    bool ouvertAuxAutres = true;
};

// What joins a folder's path and a name in it.
extern const char kSeparateur;

// The system's text for a code.
std::string TexteSysteme(int erreur);

// True when erreur says a name is taken.
bool NomPris(int erreur);

// True when erreur says the system refuses a new name here (a folder we may
// not write, a read-only one, a sticky one refusing to rename over another
// user's file): the file is then written in place instead.
bool NomRefuse(int erreur);

// True when erreur says the disk or the user's quota is full.
bool PlaceManquante(int erreur);

// ---- The caller's file, reached by its path once, a link followed

// Opens the existing file chemin, a link followed, for reading, or for
// writing too (which a file we may not write, or marked read-only on
// Windows, refuses), without waiting on a pipe; EntreesSorties.h's
// OuvrirFichier then refuses anything but a regular file.
Poignee OuvrirChemin(const std::string& chemin, bool ecriture, int& erreur);

// The path of the file open from chemin, every link resolved; "" when the
// system cannot say.
std::string CheminDe(Poignee poignee, const std::string& chemin);

// A second handle on the open file, for writing too.
Poignee RouvrirEnEcriture(Poignee poignee, int& erreur);

int EtatDe(Poignee poignee, EtatFichier& etat);

// Reads up to taille bytes at position; lus is 0 at the end.
int LireMorceau(Poignee poignee, std::uint64_t position, char* tampon, std::size_t taille, std::size_t& lus);

// Writes up to taille bytes at position; ecrits says how many went.
int EcrireMorceau(Poignee poignee, const char* octets, std::size_t taille, std::uint64_t position, std::size_t& ecrits);

// Sets aside the space for a file of taille bytes, so that a full disk fails
// before a byte of the file is overwritten; 0 where the system cannot say.
int Reserver(Poignee poignee, std::uint64_t taille);

int FixerTaille(Poignee poignee, std::uint64_t taille);
int Synchroniser(Poignee poignee);

// Closes the handle (releasing its lock); a lost write may still show here.
int FermerPoignee(Poignee poignee);

// ---- The lock

// Takes the exclusive lock of the handle's file without waiting; false only
// while another handle, of this process or another, holds it. A file system
// without locks (some network shares) counts as taken. On Windows a byte far
// past any content is locked: its locks refuse reads of what they cover.
bool PrendreVerrou(Poignee poignee);

// Whether chemin, a link followed, names the file of that identity
// (EtatFichier).
bool Designe(const std::string& chemin, const std::string& identite);

// ---- The temporary file beside the caller's, and its rename

// An unnamed new file in dossier, where the system offers one (Linux's
// O_TMPFILE): a kill then leaves nothing behind. kAucunePoignee elsewhere.
Poignee CreerSansNom(const std::string& dossier);

// Creates the new file chemin, readable by the user only, or gives the
// unnamed file sansNom that name; the handle is in poignee.
int CreerSousNom(const std::string& chemin, Poignee sansNom, Poignee& poignee);

// Gives the new file what the original had besides its bytes, where a rename
// would lose it: owner, group, mode, extended attributes (POSIX ACLs among
// them). Nothing on Windows, where the replacement keeps them.
int ReprendreAttributs(Poignee original, Poignee nouveau);

// Puts the file temporaire, written and flushed, open as poignee, in the
// place of cible, in one step; poignee is closed on every outcome.
int Substituer(Poignee poignee, const std::string& temporaire, const std::string& cible);

// Makes a new name or a removed one in dossier durable, where the system
// needs it; nothing is reported, since nothing can be undone then.
void SynchroniserDossier(const std::string& dossier);

// ---- The folders of the backup copies, reached without following any link

// The roots the folders of the backup copies are made under, in order of
// preference: the user's cache, which outlives a restart, then the
// temporary folder, each with the folders made under it, one inside the
// other. The user's own root is checked like the folders under it
// (aVerifier); a shared one, like /tmp, is not, only what is made in it.
struct Racine {
    std::string chemin;
    bool aVerifier = true;
    std::vector<std::string> dossiers;
};
std::vector<Racine> RacinesCopies();

// Opens the folder nom of parent (or the path nom when parent is
// kAucunePoignee) without following a link or a reparse point at its last
// step, made first (readable by the user only) when creer is set.
Poignee OuvrirDossier(Poignee parent, const std::string& cheminParent, const std::string& nom, bool creer, int& erreur);

// Opens the file nom of the folder dossier (whose path is cheminDossier;
// the path alone when dossier is kAucunePoignee) without following a link
// at that last step: to read it, or created anew (readable by the user only)
// to write it.
Poignee OuvrirDans(Poignee dossier, const std::string& cheminDossier, const std::string& nom, bool creer, int& erreur);

void SupprimerDans(Poignee dossier, const std::string& cheminDossier, const std::string& nom);

// Removes the folder nom of parent when it is empty, without following a link.
void SupprimerDossierDans(Poignee parent, const std::string& cheminParent, const std::string& nom);

// The names in the folder dossier (folders and links left out).
std::vector<std::string> NomsDans(Poignee dossier, const std::string& cheminDossier);
