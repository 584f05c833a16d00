#pragma once

#include "PrimitivesFichier.h"

#include <string>
#include <string_view>
#include <utility>

// Handles, and whole reads and writes, for every system.

// A handle closed on every exit.
class PoigneeTenue {
public:
    explicit PoigneeTenue(Poignee poignee = kAucunePoignee) : poignee_(poignee) {}
    ~PoigneeTenue() { FermerPoignee(poignee_); }
    PoigneeTenue(PoigneeTenue&& autre) noexcept : poignee_(autre.Lacher()) {}
    // Declaring the moves deletes the copies.
    PoigneeTenue& operator=(PoigneeTenue&& autre) noexcept {
        FermerPoignee(std::exchange(poignee_, autre.Lacher()));
        return *this;
    }

    Poignee Valeur() const { return poignee_; }
    bool Ouverte() const { return poignee_ != kAucunePoignee; }
    // Gives the handle up: the caller closes it.
    Poignee Lacher() { return std::exchange(poignee_, kAucunePoignee); }
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

// OuvrirChemin for a regular file only; anything else is refused with
// kPasUnFichierOrdinaire.
Poignee OuvrirFichier(const std::string& chemin, bool ecriture, EtatFichier& etat, int& erreur);

// Reads the whole of an open file, from its start.
int LireTout(Poignee poignee, std::string& octets);

// OuvrirDans to read, only a regular file of the user's own with a single
// name: what a copy or a temporary file of ours is, and what no one else can
// make us follow or remove.
PoigneeTenue OuvrirSiANous(Poignee dossier, const std::string& cheminDossier, const std::string& nom);

// In as many calls as the system takes; ArretEcriture.h's seam may stop it.
int EcrireEn(Poignee poignee, std::string_view octets, std::uint64_t position);

// Makes the file octets, writing from debut on (the bytes before are there
// already), then flushes it: through its own handle, so that its identity,
// owner and rights stay, the space reserved first.
int EcrireDepuis(Poignee fichier, std::size_t debut, std::string_view octets);
