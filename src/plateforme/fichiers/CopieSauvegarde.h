#pragma once

#include "EntreesSorties.h"

#include <functional>
#include <string>

// The write in place with a backup copy, for a file that cannot take a
// rename, and the next run's repair of such a write cut short.

// Writes nouveau over cible (open to write and locked as fichier, read as
// lue): the part that changes, old and new, is kept in a copy flushed to disk
// (PlacesCopies.h), inchange() must then hold (or nothing is written and false
// is returned), then the file is written from its first changed byte and the
// copy removed. A failed write puts the old content back at once. Raises
// ErreurFichier when the write cannot be made; the file is then as it was.
bool EcrireSurPlace(Poignee fichier, const std::string& cible, const Lecture& lue, const std::string& nouveau,
                    const std::function<bool()>& inchange);

bool CopieEnAttente(const EtatFichier& etat);

// Under the lock, with the file's copy: puts the old content back (through
// fichier when inscriptible) when the file is exactly what a write in place
// cut short leaves: the old bytes up to the first changed one, then at each
// place the old byte, the new one or, past the old end, a reserved zero, and
// the old or the new size. Anything else is someone's change, kept. The copy
// is then removed; ErreurFichier when the old content cannot be written back.
// True when the file was written.
bool RetablirSousVerrou(Poignee fichier, bool inscriptible, const EtatFichier& etat);

void OterCopiesOrphelines(); // those whose file is gone, or replaced by another
