#pragma once

// Limits where the process looks for a library loaded by name at run time
// to the system's own folder and the executable's folder: a DLL planted in
// the current folder, which a caller may start us in, is never loaded. Called
// first thing, before Qt loads anything. Nothing to do on Linux, whose loader
// never looks in the current folder.
void RestreindreChargementBibliotheques();
