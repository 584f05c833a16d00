#pragma once

#include "PrimitivesFichier.h"

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

// Replaces the content of the regular file cible, open and locked as
// original, by nouveau. The temporary file takes the original's owner,
// group, mode and extended attributes; it has no name until complete where
// the system allows (Linux's O_TMPFILE), and then, or from the start
// elsewhere, the one name of ours beside cible that only the lock's holder
// writes. inchange() is asked just before the rename. Raises ErreurFichier
// when the write cannot be made; the file is then as it was.
Remplacement RemplacerParRenommage(Poignee original, const std::string& cible, const std::string& nouveau,
                                   const std::function<bool()>& inchange);

// Whether a temporary file of ours, left by a write cut short, may be beside
// cible; OterTemporaireLaisse removes it, under the file's lock, when it is
// a regular file of the user's own with a single name (a name someone else
// put there is neither followed nor removed).
bool TemporaireLaisse(const std::string& cible);
void OterTemporaireLaisse(const std::string& cible);
