#pragma once

#include "EntreesSorties.h"

#include <functional>
#include <string>

// The write in place with a backup copy, for a file that cannot take a
// rename, and the next run's repair of such a write cut short.

// Writes nouveau over the file cible, open for writing and locked as
// fichier, that lue was read from: the part that changes, old and new, is
// first kept in a copy flushed to disk (PlacesCopies.h); then inchange() must
// hold, or the copy goes and false is returned, nothing written; then the
// file is written from its first changed byte, flushed, and the copy
// removed. A failed write puts the old content back at once. Raises
// ErreurFichier when the write cannot be made; the file is then as it was.
bool EcrireSurPlace(Poignee fichier, const std::string& cible, const Lecture& lue, const std::string& nouveau,
                    const std::function<bool()>& inchange);

// Whether a copy may be waiting for the file etat tells, by one call a place.
bool CopieEnAttente(const EtatFichier& etat);

// Under the file's lock: puts the old content of the file open as fichier
// (for writing too when inscriptible) back when it is exactly what a write
// in place cut short leaves (the old bytes up to the first changed one, then
// at each place the old byte, the new one or, past the old end, a reserved
// zero, and the old or the new size), and removes the copy; anything else is
// someone's change, kept, and the copy removed too. Raises ErreurFichier when
// the old content cannot be written back, the copy kept. True when the file
// was written.
bool RetablirSousVerrou(Poignee fichier, bool inscriptible, const EtatFichier& etat);

// Removes the copies of files that are gone, or replaced by another file.
void OterCopiesOrphelines();
