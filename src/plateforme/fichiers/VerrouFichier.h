#pragma once

#include "EntreesSorties.h"

#include <chrono>
#include <string>

// The system's exclusive lock on a file (flock on Linux; on Windows a byte
// past any content, so that readers are never refused), held from the read
// until the new content is on disk, so that two programs never read, change
// and write it at once, and the holder alone writes the temporary file's
// name beside it (Remplacement.h). Another holder is waited for a few
// seconds; then the write fails, saying the file is in use, nothing written.
class VerrouFichier {
public:
    // Locks the file fichier, opened from chemin (or opens chemin, a link
    // followed, for writing too when ecriture). Once locked, the path must
    // still name that file, or the file the previous holder renamed there
    // while we waited is opened and locked instead. Raises ErreurFichier
    // when the file cannot be opened, or is still held when the wait is over.
    explicit VerrouFichier(const std::string& chemin, bool ecriture = false, PoigneeTenue fichier = PoigneeTenue());
    VerrouFichier(const VerrouFichier&) = delete;
    VerrouFichier& operator=(const VerrouFichier&) = delete;

    Poignee Valeur() const { return fichier_.Valeur(); }

    // How long another holder is waited for (tests shorten it).
    static void DefinirAttente(std::chrono::milliseconds attente);

private:
    PoigneeTenue fichier_;
};
