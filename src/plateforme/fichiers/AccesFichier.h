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
// followed to its final target, which is replaced; the link stays. The
// temporary file has no name until it is complete where the system allows
// (Linux's O_TMPFILE), and otherwise a name of our own (TemporaireVoisin.h):
// a leftover of a killed write beside the same file is removed first, once no
// process holds it open.
//
// Two files cannot take a rename and are rewritten in place instead, with a
// backup copy in the user's cache until the write is on disk
// (CopieSauvegarde.h): a file with more than one name (hard links), since a
// rename would leave the other names on the old content, and a writable file
// in a folder that refuses a new file.
//
// Never replaces a file the running user may not write (or marked read-only
// on Windows), even where renaming over it would succeed.
//
// Never creates chemin. Raises Echec naming chemin, with the system's error
// text, when the write cannot be made; the file is then as it was.
void RemplacerFichier(const std::string& chemin, const std::string& octets);

// Puts back whole the file at chemin when a write in place was cut short
// there (killed, crashed, power cut): the backup copy it left gives the old
// content back, unless the file holds the whole new one. A file changed since
// by someone else is left as it is. The copy is removed. Does nothing when no
// copy is left, which is the usual case. Raises Echec naming chemin when the
// old content cannot be written back; the copy then stays for the next try.
void RetablirFichier(const std::string& chemin);

// The message of a failed write of chemin: "Impossible d'écrire le fichier
// « chemin » : <raison>.", the reason being given or taken from a code of
// LireFichierEntier (the system's text, or ours for a file that is not a
// regular file).
std::string MessageEcritureImpossible(const std::string& chemin, const std::string& raison);
std::string MessageEcritureImpossible(const std::string& chemin, int erreur);
