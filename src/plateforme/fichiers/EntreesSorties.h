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

// Reads the whole of an open file from its current position.
int LireTout(Poignee poignee, std::string& octets);

// Reads the whole regular file chemin, a link followed.
int LireChemin(const std::string& chemin, Lecture& lecture);

// Writes octets at position, in as many calls as the system takes; the
// test seam of ArretEcriture.h may stop it.
int EcrireEn(Poignee poignee, std::string_view octets, std::uint64_t position);

// Writes octets from offset debut on into the existing regular file cible
// (octets' first debut bytes being there already), sets its length to
// octets.size() and flushes it to disk, through the file's own handle so its
// identity, owner and rights stay. The space is reserved first, so that a
// full disk fails before any byte is overwritten.
int EcrireDepuis(const std::string& cible, std::size_t debut, std::string_view octets);
