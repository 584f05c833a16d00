#pragma once

#include <string>
#include <vector>

// A query text with its double-quoted strings taken out as values.
struct RequeteParametree {
    std::string sql;                  // the text, each double-quoted string replaced by ?1, ?2, ...
    std::vector<std::string> valeurs; // the strings' contents, in order, "" read as one "
};

// In the program's query texts a double-quoted string is always a value
// (Ville = "VILLE"), never a column name, so each one becomes a numbered
// parameter. Single-quoted strings, [bracketed] and `backquoted` names and
// comments are copied as they are, and a double quote inside them means
// nothing. Raises Echec for a string whose closing quote is
// missing; leaves every other check to the engine.
RequeteParametree ParametrerRequete(const std::string& texte);
