#pragma once

#include "ErreurFichier.h"

#include <functional>
#include <string>

// The caller's file, read whole and changed whole, on the system's own calls
// (POSIX, or the wide-character Win32 API) so that each rule about links,
// rights, locks and torn files is under our own control. The file is opened
// by its path once and everything else goes through that handle. Paths are
// UTF-8 on every system.

// Reads the whole regular file at chemin into octets. A write of ours that a
// kill, a crash or a power cut cut short there is put back first, and a
// temporary file of ours left beside it removed, under the file's lock
// (VerrouFichier.h). Returns 0, or the code of the failure (the system's,
// or kPasUnFichierOrdinaire): a missing file, a folder, anything else that
// is not a regular file (a pipe is never waited on), a file we may not
// read. Raises Echec naming chemin, "Impossible de lire…", when a write cut
// short cannot be put back, or while another program holds the file.
int LireFichierEntier(const std::string& chemin, std::string& octets);

// What a change makes of the file's content.
using Transformation = std::function<std::string(const std::string& octets)>;

// Changes the content of the existing regular file at chemin to what
// transformer makes of it, so that no reader ever sees a half-written file
// and no one else's change is lost:
// - the file's lock is held from the read until the new content is on disk;
//   a write of ours cut short is put back first, a temporary file of ours
//   left beside it removed, and the backup copies of files gone or replaced
//   are removed;
// - the new content goes into a temporary file renamed over the file
//   (Remplacement.h), or, for a file with hard links or in a folder that
//   takes no new name, is written in place with a backup copy kept until it
//   is on disk (CopieSauvegarde.h);
// - just before the rename or the first byte written, the file must still
//   be the one read, and the one its path names: same size, time and, for
//   a small file, bytes. Changed, it is opened and read again and
//   transformer applied once more; changed again, nothing is written and
//   the call fails.
// A symbolic link is followed to its final target, which is changed; the
// link stays. Nothing is written when the content stays the same. Never
// changes a file the running user may not write (or marked read-only on
// Windows), never creates chemin. Raises Echec naming chemin, with the
// reason, when the change cannot be made; the file is then as it was.
void ModifierFichier(const std::string& chemin, const Transformation& transformer);
