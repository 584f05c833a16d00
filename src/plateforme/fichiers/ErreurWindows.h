#pragma once

#include <string>

// The system's text for a Win32 error code, in the user's language, without
// the trailing line break; "erreur N" when the system has none.
std::string TexteErreurWindows(unsigned long code);
