#pragma once

#include "EntreesSorties.h"

#include <string>
#include <vector>

// A folder of the backup copies, under the user's cache, else under the
// temporary folder. It is used only when it and every folder from the user's
// own root down are real folders of the user's that no one else may write,
// each opened without following a link: no other user can read a copy or
// make us write through one.
struct PlaceCopies {
    PoigneeTenue dossier, parent; // parent: the folder above, where it is ours
    std::string chemin, cheminParent, nom;

    PoigneeTenue OuvrirSiANous(const std::string& fichier) const {
        return ::OuvrirSiANous(dossier.Valeur(), chemin, fichier);
    }
    void Supprimer(const std::string& fichier) const { SupprimerDans(dossier.Valeur(), chemin, fichier); }
};

// The safe places in order of preference: made with creer, else those holding
// a file nom (or, nom empty, existing), walked only when one call on the path
// finds it. pourquoi says why each one was not safe.
std::vector<PlaceCopies> PlacesCopies(bool creer, const std::string& nom = {}, std::string* pourquoi = nullptr);
