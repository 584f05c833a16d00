#pragma once

// Whether the user has asked the system for high contrast (Windows' setting,
// which Qt 6.4 does not report). The program's own style then steps aside, so
// that the system's colours apply to the whole dialog. False where the system
// has no such setting for the program to read.
bool ContrasteEleveActif();
