#pragma once

#include <cstddef>
#include <istream>
#include <string>

// Writes the postal code store from its source text: one line per row, the
// postal code, a tab, the town name, in UTF-8. The table Quilvarest (Cp TEXT,
// Ville TEXT COLLATE SANSACCENT) holds the rows in source order, which is the
// order every full scan returns them in. The table AutresNoms (Cp TEXT, Ville
// TEXT, Nom TEXT) holds the other names a row is also found by, from
// autresNoms when given: one line per name, the postal code, a tab, the town
// as in the source, a tab, the other name; a name that folds to its row's own
// name or to an other name of that row given before is left out, as it would
// find nothing more. The table VillesPretes holds the rows as the search keeps
// them in memory, names folded (VillesPretes.h).
//
// source is read to its end; nomSource names it in error messages. The store
// is written beside cheminBase under a temporary name and renamed over
// cheminBase only once complete, so a failure leaves any previous store as it
// was and no partial file. Raises Echec, naming the source line,
// for a malformed line (no tab or more than one, text that is not UTF-8, no
// town), a postal code that is not exactly five characters, a (postal code,
// town) pair seen before or a source with no row; for an other name of a pair
// the source lacks, an empty or repeated one; and for any error of the engine
// or the file system. Returns the number of rows written.
std::size_t ConstruireBase(std::istream& source, const std::string& nomSource, const std::string& cheminBase,
                           std::istream* autresNoms = nullptr, const std::string& nomAutres = {});
