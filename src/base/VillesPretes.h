#pragma once

#include <cstddef>
#include <string>

struct sqlite3;
struct Villes;

// The rows kept in memory, written by the store builder into the store beside
// the rows they come from (table VillesPretes), so that the first search of a
// process takes them as they lie instead of reading and folding every row.
// They are stamped with the folding and the layout that made them
// (EmpreinteVilles): a store without them, or made by another folding, is
// searched all the same, its rows folded as it is read. Both systems the
// program runs on are little-endian, and the structures kept have no hidden
// padding: the store is the same file on both.

// The stamp of this build's folding and layout.
const std::string& EmpreinteVilles();

// Takes the stored rows into villes when the store has them, stamped with this
// build's folding, for exactly nombre rows, and every place they refer to lies
// within them; false otherwise, villes then left empty.
bool LireVillesPretes(sqlite3* connexion, std::size_t nombre, Villes& villes);

// Writes the rows kept in villes into the table VillesPretes, which it
// creates. Returns SQLITE_OK or the engine's error code, its message left on
// the connection.
int EcrireVillesPretes(sqlite3* connexion, const Villes& villes);
