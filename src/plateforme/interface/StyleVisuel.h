#pragma once

#include <string>

class Messagerie;

// Applies the program's own visual style, carried as a resource and found by
// its name. When it cannot be applied a message says so and the program goes
// on in the toolkit's default look. Under the system's high contrast
// (contrasteEleve, ContrasteEleve.h) the style steps aside: the system's own
// look and colours apply to the whole dialog. Returns whether the style was
// applied.
bool AppliquerStyle(const std::string& nom, Messagerie& messagerie, bool contrasteEleve);
