#pragma once

#include "EntreesSorties.h"

#include <functional>
#include <string>

// The usual write of a caller's file: a temporary file beside it, written,
// flushed and renamed over it, so that no reader ever sees a half-written
// file.

enum class Remplacement {
    Fait,
    Change, // inchange() said the file changed meanwhile: nothing written
    Refuse, // the folder takes no new name: to be written in place
};

// Replaces the content of the regular file cible that lue was read from by
// nouveau (chemin being its name in messages). The temporary file takes the
// original's owner, group, mode and extended attributes; it has no name
// until complete where the system allows (Linux's O_TMPFILE), and otherwise
// a name of our own (TemporaireVoisin.h): a leftover of a killed write
// beside the same file is removed first. inchange() is asked just before
// the rename. Raises Echec naming chemin when the write cannot be made; the
// file is then as it was.
Remplacement RemplacerParRenommage(const std::string& chemin, const std::string& cible, const std::string& nouveau,
                                   const std::function<bool()>& inchange);
