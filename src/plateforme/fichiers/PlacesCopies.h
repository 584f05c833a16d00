#pragma once

#include "EntreesSorties.h"

#include <string>
#include <vector>

// The folders of the backup copies: under the user's cache, else under the
// temporary folder. One is used only when it and every folder from the
// user's own root down are real folders of the user's that no one else may
// write, each opened without following a link, so that no other user can
// read a copy or make us write through one.
struct PlaceCopies {
    PoigneeTenue dossier;
    std::string chemin;
    PoigneeTenue parent; // the folder above, where it is ours
    std::string cheminParent, nom;
};

// The places in order of preference, made first; when none, pourquoi says
// why for each.
std::vector<PlaceCopies> PlacesCopies(std::string& pourquoi);

// Whether a file nom is in a place's last folder, by one call on its path
// each: a hint, nothing checked.
bool CopiePresente(const std::string& nom);

// The safe places holding a file nom (or, nom empty, that exist), checked
// step by step only when one call by the path finds something.
std::vector<PlaceCopies> PlacesOu(const std::string& nom);
