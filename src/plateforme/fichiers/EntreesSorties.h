#pragma once

#include "PrimitivesFichier.h"

#include <string>
#include <string_view>

// Handles and whole reads and writes on the system calls of
// PrimitivesFichier.h, written once for every system.

// A handle closed on every exit.
class PoigneeTenue {
public:
    explicit PoigneeTenue(Poignee poignee = kAucunePoignee) : poignee_(poignee) {}
    ~PoigneeTenue() { FermerPoignee(poignee_); }
    PoigneeTenue(PoigneeTenue&& autre) noexcept : poignee_(autre.Lacher()) {}
    PoigneeTenue& operator=(PoigneeTenue&& autre) noexcept {
        if (this != &autre) {
            FermerPoignee(poignee_);
            poignee_ = autre.Lacher();
        }
        return *this;
    }
    PoigneeTenue(const PoigneeTenue&) = delete;
    PoigneeTenue& operator=(const PoigneeTenue&) = delete;

    Poignee Valeur() const { return poignee_; }
    bool Ouverte() const { return poignee_ != kAucunePoignee; }
    // Gives the handle up: the caller closes it.
    Poignee Lacher() {
        const Poignee poignee = poignee_;
        poignee_ = kAucunePoignee;
        return poignee;
    }
    // Closes now, where a lost write may still show.
    int Fermer() { return FermerPoignee(Lacher()); }

private:
    Poignee poignee_;
};

// A file's bytes and what it was when they were read.
struct Lecture {
    std::string octets;
    EtatFichier etat;
};

// Opens the existing regular file chemin (PrimitivesFichier.h's
// OuvrirChemin) and says what it is; anything else is refused with
// kPasUnFichierOrdinaire.
Poignee OuvrirFichier(const std::string& chemin, bool ecriture, EtatFichier& etat, int& erreur);

// Reads the whole of an open file, from its start.
int LireTout(Poignee poignee, std::string& octets);

// Opens the file nom of dossier (PrimitivesFichier.h's OuvrirDans) to read
// it, when it is a regular file of the user's own with a single name: what a
// backup copy or a temporary file of ours is, and what no one else can make
// us follow or remove. Closed otherwise.
PoigneeTenue OuvrirSiANous(Poignee dossier, const std::string& cheminDossier, const std::string& nom);

// Writes octets at position, in as many calls as the system takes; the
// test seam of ArretEcriture.h may stop it.
int EcrireEn(Poignee poignee, std::string_view octets, std::uint64_t position);

// Writes octets from offset debut on into the open regular file (octets'
// first debut bytes being there already), sets its length to octets.size()
// and flushes it to disk, through the file's own handle so its identity,
// owner and rights stay. The space is reserved first, so that a full disk
// fails before any byte is overwritten.
int EcrireDepuis(Poignee fichier, std::size_t debut, std::string_view octets);
