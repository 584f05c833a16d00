#pragma once

#include "ErreurFichier.h"

#include <functional>
#include <string>

// The caller's file, read whole and changed whole on the system's own calls,
// so that each rule about links, rights, locks and torn files is ours. The
// file is opened by its path once; everything else goes through that handle.
// Paths are UTF-8 on every system.

// Reads the whole regular file at chemin into octets, once a write of ours
// cut short there is put back and a temporary file of ours beside it removed,
// under the file's lock. Returns 0, or the failure's code (the system's, or
// kPasUnFichierOrdinaire: a folder, a pipe, which is never waited on, a
// device). Raises Echec, "Impossible de lire…", when a write cut short cannot
// be put back, or while another program holds the file.
int LireFichierEntier(const std::string& chemin, std::string& octets);

using Transformation = std::function<std::string(const std::string& octets)>;

// Changes the content of the existing regular file at chemin (a link followed
// to its final target, the link kept) to what transformer makes of it, so
// that no reader sees a half-written file and no one's change is lost:
// - the lock is held from the read (after LireFichierEntier's repair) until
//   the new content is on disk; the copies of files gone are removed after;
// - the new content is renamed over the file from a temporary file or, for a
//   file with hard links or in a folder that takes no new name, written in
//   place with a backup copy;
// - just before the rename or the first byte written, the file must still be
//   the one read and the one its path names (same size, time and, up to
//   1 MiB, bytes); changed, it is read again and transformer applied once
//   more; changed again, nothing is written and the call fails.
// Nothing is written when the content stays the same. Never changes a file
// the user may not write (or marked read-only on Windows), never creates
// chemin. Raises Echec naming chemin, with the reason, when the change cannot
// be made; the file is then as it was.
void ModifierFichier(const std::string& chemin, const Transformation& transformer);
