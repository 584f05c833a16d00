#pragma once

#include <string>

// What failed in the file layer, recorded where it happens and thrown as it
// is up to AccesFichier.h's entry points, which make the French message here.

// Codes of our own, beside the system's (both positive).
inline constexpr int kPasUnFichierOrdinaire = -1; // a folder, a pipe, a device
inline constexpr int kUtiliseAilleurs = -2;       // another program holds the lock
inline constexpr int kModifieSansCesse = -3;      // changed again at the second try
inline constexpr int kAucunDossierSur = -4;       // no safe folder for a backup copy

enum class Etape { Ouverture, Verrou, Lecture, Copie, Ecriture, Renommage };

struct ErreurFichier {
    Etape etape;
    int code;
    std::string detail = {}; // the copy's path, or why no folder was safe for it
};

// "Impossible de lire le fichier « chemin » : <raison>." (or "d'écrire"), in
// our words for our codes, the system's for its.
std::string MessageFichier(const std::string& chemin, bool lecture, const ErreurFichier& erreur);
std::string MessageEcritureImpossible(const std::string& chemin, const std::string& raison);
