#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// What the write in place with a backup copy and the lock on a file need of
// the system; each AccesFichier_<system>.cpp implements it. Paths are UTF-8.

// The final target of chemin, every link resolved; "" when it cannot be found.
std::string CibleFinale(const std::string& chemin);

// What tells the file cible from every other file on the machine, whatever
// name it is reached by (its device and inode, or Windows' volume and file
// index); "" when the system cannot say.
std::string IdentiteFichier(const std::string& cible);

// Writes octets from offset debut on into the existing regular file cible
// (octets' first debut bytes are taken to be there already), sets its length
// to octets.size() and flushes it to disk. The space is reserved first, so a
// full disk fails before any byte is overwritten. Raises Echec naming chemin.
void EcrireDepuis(const std::string& chemin, const std::string& cible, std::size_t debut, const std::string& octets);

// Creates or empties the file fichier, readable by the user only, writes the
// pieces one after the other and flushes it, and its folder where the system
// allows, to disk. Returns 0 or the system's code of the failure.
int EcrireCopie(const std::string& fichier, std::initializer_list<std::string_view> morceaux);

// Removes the file fichier if it is there.
void SupprimerFichier(const std::string& fichier);

// The user's own folder for backup copies, with its trailing separator, made
// first when creer is true: in the cache, which outlives a restart, or else in
// the temporary folder; "" when there is no such folder.
std::string DossierCopies(bool creer);

// A handle the lock of a file is held by (VerrouFichier.h).
inline constexpr std::intptr_t kAucunePoignee = -1;

// A handle on the existing regular file chemin, a link followed, that may
// hold its lock; kAucunePoignee, with the system's code in erreur, when the
// file cannot be opened.
std::intptr_t OuvrirPourVerrou(const std::string& chemin, int& erreur);

// Takes the exclusive lock of the handle's file without waiting; false only
// while another handle, of this process or another, holds it. A file system
// that has no locks (some network shares) counts as taken: the file is then
// written as it was before there was a lock.
bool PrendreVerrou(std::intptr_t poignee);

// Whether chemin, a link followed, still names the file the handle is open on.
bool DesigneEncore(std::intptr_t poignee, const std::string& chemin);

// Closes the handle, which releases its lock; nothing for kAucunePoignee.
void FermerPoignee(std::intptr_t poignee);
