#pragma once

#include "EntreesSorties.h"

#include <chrono>
#include <string>

// The system's exclusive lock on a file, held from the read until the new
// content is on disk, so that two programs never read, change and write it
// at once, and the holder alone writes the temporary file's name beside it.
class VerrouFichier {
public:
    // Locks fichier, opened from chemin (or opens chemin, links followed, to
    // write too when ecriture). Another holder is waited for a few seconds.
    // Once locked, the path must still name that file, or the file the last
    // holder renamed there meanwhile is locked instead. Raises ErreurFichier
    // when it cannot be opened, or is still held when the wait is over.
    explicit VerrouFichier(const std::string& chemin, bool ecriture = false, PoigneeTenue fichier = PoigneeTenue());
    VerrouFichier(const VerrouFichier&) = delete;
    VerrouFichier& operator=(const VerrouFichier&) = delete;

    Poignee Valeur() const { return fichier_.Valeur(); }

    static void DefinirAttente(std::chrono::milliseconds attente); // tests shorten it

private:
    PoigneeTenue fichier_;
};
