#pragma once

#include <string>

// True when a regular file exists at chemin, a symbolic link being followed to
// its target; false for a folder, a dangling link or nothing. A relative path
// is resolved against the current folder.
bool FichierExiste(const std::string& chemin);

// The full path of the running executable, links resolved.
std::string CheminExecutable();

// The folder of the running executable, with one trailing path separator.
std::string DossierExecutable();

// The title the message boxes carry: the executable's base name, lower-case
// after its first letter ("Quilvarest").
std::string TitreApplication();
