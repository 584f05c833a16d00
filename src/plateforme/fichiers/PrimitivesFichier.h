#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

// What the write in place with a backup copy needs of the system; each
// AccesFichier_<system>.cpp implements it. Paths are UTF-8.

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
