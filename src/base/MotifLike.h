#pragma once

#include "RepliSansAccent.h"

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
// folded into, reused from row to row. Before %, the word may go on: ST%
// finds STEENVOORDE. It may also end there: CROIX STE% finds CROIX SAINTE,
// as La Poste writes it. So a pattern with an abbreviation right before a %
// also has a variant where every such abbreviation is spelled out, and
// matches when either does.
struct MotifLike {
    std::vector<std::uint32_t> unites;
    std::vector<std::uint32_t> variante; // empty when no abbreviation ends before %
    std::uint32_t echappement = 0;       // 0: no ESCAPE clause
    bool impossible = false;             // ends on a lone escape character
    bool toutTexte = false;              // nothing but %: matches every text
    std::vector<std::uint32_t> texte;
};

// Folds the pattern and its variant; echappement is the ESCAPE character, 0 for
// none.
std::unique_ptr<MotifLike> CompilerMotif(const unsigned char* motif, std::size_t longueur, std::uint32_t echappement);

// Whether the folded text of nTexte units, as 32-bit units or as bytes
// (UniteEnOctet), matches the compiled pattern units. On a mismatch the text
// goes back to just after where the last % started matching; earlier % never
// need revisiting, so the cost stays at most pattern length times text length.
template <class Unite>
bool Correspond(const std::vector<std::uint32_t>& motif, const Unite* texte, std::size_t nTexte) {
    constexpr std::size_t kAucune = static_cast<std::size_t>(-1);
    const std::size_t nMotif = motif.size();
    std::size_t i = 0;
    std::size_t j = 0;
    std::size_t reprise = kAucune; // pattern position just after the last %
    std::size_t repriseTexte = 0;  // where that % stopped matching
    while (j < nTexte) {
        if (i < nMotif && motif[i] == kJoker) {
            reprise = ++i;
            repriseTexte = j;
            if (reprise == nMotif) {
                return true; // a trailing % takes the rest
            }
        } else if (i < nMotif && motif[i] == kUnCaractere) {
            ++i;
            ++j;
            while (j < nTexte && (UniteDe(texte[j]) & kSuite) != 0) {
                ++j;
            }
        } else if (i < nMotif && motif[i] == (UniteDe(texte[j]) & ~kSuite)) {
            ++i;
            ++j;
        } else if (reprise == kAucune) {
            return false;
        } else {
            i = reprise;
            j = ++repriseTexte;
        }
    }
    while (i < nMotif && motif[i] == kJoker) {
        ++i;
    }
    return i == nMotif;
}

// Whether the folded text matches the pattern or its variant.
template <class Unite> bool Correspond(const MotifLike& motif, const Unite* texte, std::size_t nTexte) {
    return motif.toutTexte || Correspond(motif.unites, texte, nTexte) ||
           (!motif.variante.empty() && Correspond(motif.variante, texte, nTexte));
}
