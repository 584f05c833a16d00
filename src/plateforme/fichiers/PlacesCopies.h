#pragma once

#include "EntreesSorties.h"

#include <string>
#include <vector>

// The folders the backup copies of writes in place are kept in: under the
// user's cache, else under the temporary folder. A folder is used only when
// it, and every folder from the user's own root down, is a real folder of
// the user's that no one else may write, each opened without following a
// link, so that no other user can read a copy or make us write through one.
struct PlaceCopies {
    PoigneeTenue dossier;
    std::string chemin;
};

// The places in order of preference, made first when creer is set. When
// there is none, pourquoi says why for each place tried.
std::vector<PlaceCopies> PlacesCopies(bool creer, std::string& pourquoi);

// Opens the copy nom of place to read it: only a regular file of the user's
// own with no other name is taken.
PoigneeTenue OuvrirCopie(const PlaceCopies& place, const std::string& nom);
