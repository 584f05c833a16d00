#pragma once

#include "EntreesSorties.h"

#include <functional>
#include <string>

// The write in place with a backup copy, for a file that cannot take a
// rename, and the next run's repair of such a write cut short.

// Writes nouveau over the file cible, open for writing and locked as
// fichier, that lue was read from. Before any byte of it changes, the part
// that changes, old and new, is kept in a backup copy (PlacesCopies.h) and
// flushed to disk; inchange() then confirms that nobody changed the file
// meanwhile, or the copy goes and false is returned with nothing written;
// the file is written from its first changed byte on, flushed, and the copy
// removed. A write that fails puts the old content back at once; one cut
// short by a kill, a crash or a power cut is put back by RetablirSousVerrou
// on the next run. Raises ErreurFichier when the write cannot be made; the
// file is then as it was.
bool EcrireSurPlace(Poignee fichier, const std::string& cible, const Lecture& lue, const std::string& nouveau,
                    const std::function<bool()>& inchange);

// Whether a backup copy may be waiting for the file etat tells: one call a
// place, by the one name that file's copy has.
bool CopieEnAttente(const EtatFichier& etat);

// Puts the old content of the file open as fichier (for writing too when
// inscriptible) back when it is exactly what a write in place cut short
// leaves: the old bytes up to the first changed one, then at each place the
// old byte, the new one or, past the old end, a zero of space reserved, and
// the old or the new size. The copy is then removed; so it is when the file
// is anything else (the write had ended, or someone changed the file since:
// theirs is kept). To be called under the file's lock. Raises ErreurFichier
// when the old content cannot be written back; the copy then stays for the
// next try. True when the file was written.
bool RetablirSousVerrou(Poignee fichier, bool inscriptible, const EtatFichier& etat);

// Removes the copies of files that are gone, or replaced by another file.
void OterCopiesOrphelines();
