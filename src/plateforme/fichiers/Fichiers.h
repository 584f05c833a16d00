#pragma once

#include <string>

// True when a regular file exists at chemin, a symbolic link being followed to
// its target; false for a folder, a dangling link or nothing. A relative path
// is resolved against the current folder.
bool FichierExiste(const std::string& chemin);
