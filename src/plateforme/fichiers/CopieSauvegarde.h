#pragma once

#include <string>

// Rewrites the existing file cible in place with octets, its name being
// chemin in messages. Before any byte of it changes, the part that changes,
// old and new, is kept in a backup copy in the user's cache folder and
// flushed to disk; the file is then written from its first changed byte on,
// flushed, and the copy removed. A write that fails puts the old content back
// at once; a write cut short by a kill, a crash or a power cut is put back by
// RetablirFichier on the next run. Raises Echec naming chemin (or the copy,
// when the copy cannot be written) and leaves the file as it was.
void EcrireSurPlaceAvecCopie(const std::string& chemin, const std::string& cible, const std::string& octets);
