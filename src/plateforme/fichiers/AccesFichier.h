#pragma once

#include "ErreurFichier.h"

#include <functional>
#include <string>

// The caller's file, read whole and changed whole on the system's own calls,
// so that each rule about links, rights, locks and torn files is ours. It is
// opened by its path once, then reached through that handle. Paths are UTF-8.

// Reads the whole regular file at chemin into octets, under its lock once a
// write of ours cut short there is put back and our leftover removed. Returns
// 0 or the failure's code (the system's, or kPasUnFichierOrdinaire: a folder,
// a pipe, which is never waited on, a device). Raises Echec, "Impossible de
// lire…", when a write cut short cannot be put back, or while another program
// holds the file.
int LireFichierEntier(const std::string& chemin, std::string& octets);

using Transformation = std::function<std::string(const std::string& octets)>;

// Changes the content of the existing regular file at chemin (a link followed
// to its target, the link kept) to what transformer makes of it, holding the
// lock from the read until the new content is on disk: renamed over it from a
// temporary file or, for a file with hard links or in a folder that takes no
// new name, written in place after a backup copy. Just before the commit the
// file must still be the one read and the one its path names (same size,
// time and, up to 1 MiB, bytes): changed, it is read again and transformed
// once more; changed again, the call fails. Nothing is written when the
// content stays the same; a file the user may not write (or marked read-only
// on Windows) is never changed, chemin never created. Raises Echec naming
// chemin, with the reason, when the change cannot be made: the file is then
// as it was.
void ModifierFichier(const std::string& chemin, const Transformation& transformer);
