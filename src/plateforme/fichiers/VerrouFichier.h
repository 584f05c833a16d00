#pragma once

#include "EntreesSorties.h"

#include <chrono>
#include <string>

// An exclusive lock on a file, taken before the file is read and held until
// its new content is on disk (and the backup copy of a write in place is
// removed), so that two programs never read, change and write it at once: a
// second instance of this program, or the next run's repair while a write is
// still under way. It also makes the lock's holder the only writer of the
// temporary file's name beside it (Remplacement.h). Another holder is waited
// for a few seconds; after that the write fails, with a message saying the
// file is in use, and nothing is written. The lock is the system's (flock on
// Linux; on Windows a byte range past any content, so that a caller reading
// the file is never refused).
class VerrouFichier {
public:
    // Locks the file fichier, opened from chemin (or opens chemin, a link
    // followed, for writing too when ecriture). Once locked, the path must
    // still name that file: a rename by the previous holder replaced it
    // while we waited, and the new file is opened and locked instead.
    // Raises ErreurFichier when the file cannot be opened, or is still held
    // when the wait is over.
    explicit VerrouFichier(const std::string& chemin, bool ecriture = false, PoigneeTenue fichier = PoigneeTenue());
    VerrouFichier(const VerrouFichier&) = delete;
    VerrouFichier& operator=(const VerrouFichier&) = delete;

    // The locked file's handle, through which it is read and written.
    Poignee Valeur() const { return fichier_.Valeur(); }

    // How long another holder is waited for (tests shorten it).
    static void DefinirAttente(std::chrono::milliseconds attente);

private:
    PoigneeTenue fichier_;
};
