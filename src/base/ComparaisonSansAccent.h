#pragma once

#include <cstddef>

struct sqlite3;

// Town names are stored as written (SAINT-ÉTIENNE) while criteria come typed
// as ETIENNE, ÉTIENNE or étienne. Both sides are folded before comparing: each
// letter of ASCII, Latin-1 and Latin Extended-A to its upper-case base letter
// (é, É, ê → E), the ligatures spelled out (Œ → OE, Æ → AE, ß → SS, Ĳ → IJ).
// Other characters compare as they are. Shared by the store and the tool that
// builds it, so it needs nothing but SQLite.

// Name of the collation the builder declares on the Ville column. A connection
// that has not registered it can read the store but cannot compare Ville: the
// engine then fails with "no such collation sequence: SANSACCENT".
inline constexpr char kCollationSansAccent[] = "SANSACCENT";

// Compares two UTF-8 texts after folding: negative, zero or positive as a
// sorts before, with or after b. Bytes that are not UTF-8 compare as
// themselves, each distinct from every character.
int ComparerSansAccent(const char* a, std::size_t longueurA, const char* b, std::size_t longueurB);

// Registers on the connection the collation SANSACCENT and overrides of
// like(X,Y) and like(X,Y,Z), so that `=` on Ville and every LIKE fold both
// sides. In patterns % matches any run of characters and _ exactly one
// character (a folded ligature counts as one). Returns SQLITE_OK or the
// engine's error code; the connection's other functions stay untouched.
int EnregistrerComparaisonSansAccent(sqlite3* connexion);
