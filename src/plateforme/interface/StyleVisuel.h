#pragma once

#include <string>

class Messagerie;

// Applies the program's own visual style, carried as a resource and found by
// its name. When it cannot be applied a message says so and the program goes
// on in the toolkit's default look. Returns whether the style was applied.
bool AppliquerStyle(const std::string& nom, Messagerie& messagerie);
