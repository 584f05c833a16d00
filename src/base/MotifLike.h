#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// LIKE patterns over folded text (RepliSansAccent.h): % matches any run of
// characters, _ exactly one character (a folded ligature counts as one).

// Pattern tokens, outside every folded value.
inline constexpr std::uint32_t kJoker = 0xFFFFFFF0u;
inline constexpr std::uint32_t kUnCaractere = 0xFFFFFFF1u;

// A LIKE pattern folded once per statement, and the buffer each row's text is
// folded into, reused from row to row.
struct MotifLike {
    std::vector<std::uint32_t> unites;
    std::uint32_t echappement = 0; // 0: no ESCAPE clause
    bool impossible = false;       // ends on a lone escape character
    bool toutTexte = false;        // nothing but %: matches every text
    std::vector<std::uint32_t> texte;
};

// Folds the pattern; echappement is the ESCAPE character, 0 for none.
std::unique_ptr<MotifLike> CompilerMotif(const unsigned char* motif, std::size_t longueur, std::uint32_t echappement);

// Whether the folded text of nombre units matches the compiled pattern units.
bool Correspond(const std::vector<std::uint32_t>& motif, const std::uint32_t* texte, std::size_t nombre);
