#pragma once

#include <string>

// The name of the temporary file written beside the file nom before it takes
// its place: hidden, and marked as ours so that a leftover of a killed write
// can be told from another program's file: ".nom.quilvarest-XXXXXX", nom cut
// to 200 bytes so that the whole stays a valid name, XXXXXX six letters or
// digits drawn at random.
std::string NomTemporaireVoisin(const std::string& nom);

// True when candidat is a name NomTemporaireVoisin could give for nom.
bool EstTemporaireVoisin(const std::string& nom, const std::string& candidat);
