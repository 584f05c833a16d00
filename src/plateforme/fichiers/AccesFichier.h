#pragma once

#include <string>

// Whole-file access for the INI editor, on the system's own calls (POSIX, or
// the wide-character Win32 API) so that each rule about links, permissions and
// torn files is under our own control. Paths are UTF-8 on every system.

// Reads the whole regular file at chemin into octets. Returns 0, or the
// system's code of the failure (errno, or GetLastError on Windows): a missing
// file, a folder, anything else that is not a regular file (a pipe is never
// waited on), a file we may not read. After a failure octets may hold part of
// the file.
int LireFichierEntier(const std::string& chemin, std::string& octets);

// Replaces the content of the existing regular file at chemin by octets so
// that no reader ever sees a half-written file: a temporary file in the same
// folder is written, flushed to disk and renamed over the original, taking the
// original's mode (and its owner and group when we may set them; on Windows
// ReplaceFileW keeps attributes, security and streams). A symbolic link is
// followed to its final target, which is replaced; the link stays.
//
// A file with more than one name (hard links) is rewritten in place instead:
// a rename would leave the other names on the old content.
//
// Never replaces a file the running user may not write (or marked read-only
// on Windows), even where renaming over it would succeed. When the folder refuses a temporary file but the
// file itself is writable, the file is rewritten in place (write, truncate,
// flush); space is reserved first so a full disk fails before any byte moves.
//
// Never creates chemin and never leaves the temporary file behind. Raises
// Erreur naming chemin, with the system's error text, when the
// write cannot be made; the file is then as it was.
void RemplacerFichier(const std::string& chemin, const std::string& octets);

// The message of a failed write of chemin: "Impossible d'écrire le fichier
// « chemin » : <raison>.", the reason being given or taken from a code of
// LireFichierEntier (the system's text, or ours for a file that is not a
// regular file).
std::string MessageEcritureImpossible(const std::string& chemin, const std::string& raison);
std::string MessageEcritureImpossible(const std::string& chemin, int erreur);
