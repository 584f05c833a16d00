#pragma once

#include "PrimitivesFichier.h"

#include <functional>
#include <string>

enum class Remplacement {
    Fait,
    Change, // inchange() said the file changed meanwhile: nothing written
    Refuse, // the folder takes no new name: to be written in place
};

// Replaces the content of cible, open and locked as original, by nouveau:
// through a temporary file given the original's attributes, flushed, and
// renamed over it once inchange() holds; that file is unnamed until complete
// where the system allows, then has the one name of ours beside cible that
// only the lock's holder writes. Raises ErreurFichier when the write cannot
// be made; the file is then as it was.
Remplacement RemplacerParRenommage(Poignee original, const std::string& cible, const std::string& nouveau,
                                   const std::function<bool()>& inchange);

// Whether a temporary file of ours, left by a kill, may be beside cible; under
// the lock, the Oter removes it when it is a regular file of the user's own
// with a single name, never a name someone else put there.
bool TemporaireLaisse(const std::string& cible);
void OterTemporaireLaisse(const std::string& cible);
