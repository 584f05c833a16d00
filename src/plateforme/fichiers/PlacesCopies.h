#pragma once

#include "EntreesSorties.h"

#include <string>
#include <vector>

// The folders the backup copies of writes in place are kept in: under the
// user's cache, else under the temporary folder. A folder is used only when
// it, and every folder from the user's own root down, is a real folder of
// the user's that no one else may write (on Windows: owned by the user, and
// no access entry letting anyone but the user, SYSTEM and Administrators
// write, delete or change permissions), each opened without following a
// link, so that no other user can read a copy or make us write through one.
struct PlaceCopies {
    PoigneeTenue dossier;
    std::string chemin;
    PoigneeTenue parent; // the folder above, where it is ours
    std::string cheminParent, nom;
};

// The places in order of preference, made first. When there is none,
// pourquoi says why for each place tried.
std::vector<PlaceCopies> PlacesCopies(std::string& pourquoi);

// Whether a file nom is in the last folder of a place, by one call on its
// path each: a hint, the place not checked.
bool CopiePresente(const std::string& nom);

// The safe places holding a file nom (or, nom being empty, that exist):
// one call by the path tells whether there is anything to look at, and only
// then is the way to it checked step by step.
std::vector<PlaceCopies> PlacesOu(const std::string& nom);
