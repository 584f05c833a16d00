#pragma once

#include <cstddef>

struct sqlite3;

// The folding of RepliSansAccent.h inside the store: the collation of the
// Ville column and the engine's LIKE. Shared by the store and the tool that
// builds it.

// Name of the collation the builder declares on the Ville column. A connection
// that has not registered it can read the store but cannot compare Ville: the
// engine then fails with "no such collation sequence: SANSACCENT".
inline constexpr char kCollationSansAccent[] = "SANSACCENT";

// Registers on the connection the collation SANSACCENT and overrides of
// like(X,Y) and like(X,Y,Z), so that `=` on Ville and every LIKE fold both
// sides. In patterns % matches any run of characters and _ exactly one
// character (a folded ligature counts as one). Returns SQLITE_OK or the
// engine's error code; the connection's other functions stay untouched.
int EnregistrerComparaisonSansAccent(sqlite3* connexion);
