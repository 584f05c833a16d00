#pragma once

#include <string>

// The full path of the running executable, links resolved.
std::string CheminExecutable();

// The folder of the running executable, with one trailing path separator.
std::string DossierExecutable();

// The title the message boxes carry: the executable's base name, lower-case
// after its first letter ("Quilvarest").
std::string TitreApplication();
