#pragma once

#include <QString>
#include <cstddef>
#include <string>

// Narrow strings are std::string in the system code page, which is UTF-8 here.
// Where the program counts characters it counts code points, never bytes.

// Number of characters (code points) in a narrow string. A byte that does not
// start a valid UTF-8 sequence counts as one character.
std::size_t NombreCaracteres(const std::string& texte);

// Characters debut (1-based) to debut + nombre - 1 of texte; fewer when texte
// is shorter, empty when it starts beyond the end. nombre may be npos: to the end.
std::string CopierCaracteres(const std::string& texte, std::size_t debut, std::size_t nombre = std::string::npos);

// Every letter to its upper case, accented letters included (é → É, œ → Œ,
// ÿ → Ÿ), one character for one: ß and the ligatures that would grow stay as
// they are, so the length in characters never changes.
std::string AnsiUpperCase(const std::string& texte);

// texte without the characters nobody types and no box shows: C0 controls
// (tab included), DEL, C1 controls, and bytes outside well-formed UTF-8 (a
// lone surrogate among them). Every other character is kept, in order.
std::string SansCaracteresInvisibles(const std::string& texte);

// Narrow string to widget text and back. A character the narrow code page
// cannot hold (a lone surrogate) becomes the replacement character.
QString VersTexteWidget(const std::string& texte);
std::string DepuisTexteWidget(const QString& texte);
