#pragma once

#include "PrimitivesFichier.h"

#include <string>
#include <string_view>
#include <utility>

// Handles, and whole reads and writes, for every system.

class PoigneeTenue { // closed on every exit
public:
    explicit PoigneeTenue(Poignee poignee = kAucunePoignee) : poignee_(poignee) {}
    ~PoigneeTenue() { FermerPoignee(poignee_); }
    PoigneeTenue(PoigneeTenue&& autre) noexcept : poignee_(autre.Lacher()) {}
    PoigneeTenue& operator=(PoigneeTenue&& autre) noexcept {
        FermerPoignee(std::exchange(poignee_, autre.Lacher()));
        return *this;
    }
    Poignee Valeur() const { return poignee_; }
    bool Ouverte() const { return poignee_ != kAucunePoignee; }
    Poignee Lacher() { return std::exchange(poignee_, kAucunePoignee); }
    int Fermer() { return FermerPoignee(Lacher()); } // where a lost write may still show

private:
    Poignee poignee_;
};

struct Lecture { // a file's bytes, and what it was when they were read
    std::string octets;
    EtatFichier etat;
};

// OuvrirChemin for a regular file only; anything else is kPasUnFichierOrdinaire.
Poignee OuvrirFichier(const std::string& chemin, bool ecriture, EtatFichier& etat, int& erreur);
int LireTout(Poignee poignee, std::string& octets);
// Only a regular file of the user's own with a single name: what a copy or a
// temporary file of ours is, and what no one else can make us follow or remove.
PoigneeTenue OuvrirSiANous(Poignee dossier, const std::string& cheminDossier, const std::string& nom);
// In as many calls as the system takes; ArretEcriture.h's seam may stop it.
int EcrireEn(Poignee poignee, std::string_view octets, std::uint64_t position);
// Makes the file octets through its own handle (its identity, owner and rights
// stay): the space reserved, the bytes from debut on written, then flushed.
int EcrireDepuis(Poignee fichier, std::size_t debut, std::string_view octets);
