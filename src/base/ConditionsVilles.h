#pragma once

#include "MotifLike.h"
#include "VillesEnMemoire.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sqlite3_value;

// The conditions the towns' table takes from a query, and whether a row meets
// them: a condition on Ville holds for the row's name or one of its other
// names.

// The kinds of condition, one letter each in the plan's text.
inline constexpr char kCpComme = 'c';
inline constexpr char kCpEgal = 'C';
inline constexpr char kVilleComme = 'v';
inline constexpr char kVilleEgale = 'V';

// One condition the table took: the column's value LIKE a pattern, Cp equal
// to a value byte for byte, or Ville equal to a value once both are folded.
struct Condition {
    char sorte = kCpComme;
    std::unique_ptr<MotifLike> motif;  // LIKE
    std::vector<std::uint32_t> valeur; // = on Ville, folded, kSuite marks cleared
    std::string octets;                // = on Cp
    bool jamais = false;               // a NULL or blob operand, which nothing matches
};

// The condition of a kind on an operand: LIKE folds the pattern once, `=` on
// Ville folds the value once.
Condition PreparerCondition(char sorte, sqlite3_value* operande);

// Whether the row meets every condition. trouve is then the first other name
// that met a condition on Ville the row's own name did not, or null. tampon
// is room for a postal code's folding, reused from row to row.
bool Retenir(const std::vector<Condition>& conditions, const VueLigne& ligne, std::vector<std::uint32_t>& tampon,
             const AutreNom*& trouve);
