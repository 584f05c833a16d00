#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Town names are stored as written (SAINT-ÉTIENNE) while criteria come typed
// as ETIENNE, ÉTIENNE or étienne, or as La Poste writes them (ST ETIENNE).
// Both sides are folded before comparing:
// - each letter of ASCII, Latin-1 and Latin Extended-A to its upper-case base
//   letter (é, É, ê → E), the ligatures spelled out (Œ → OE, Æ → AE, ß → SS,
//   Ĳ → IJ); other characters compare as they are;
// - each run of separators (blank, hyphen, ' and ’) reads as one blank;
// - a whole word ST, STE, STS or STES, a full stop after it included, reads
//   as SAINT, SAINTE, SAINTS or SAINTES when a separator or the end of a whole
//   text follows it.
// Plain C++: the store, the tool that writes it and the tests all use this
// one folding.

// Marks the second letter of a spelled-out ligature in folded text, so that _
// can take the ligature as the one character it was.
inline constexpr std::uint32_t kSuite = 0x80000000u;

// Folded units in one byte each, as the store keeps the names it holds in
// memory: every unit below U+0100 as itself, and the second letter of a
// ligature (E, S or J with kSuite) as that letter with its high bit set, a
// byte no folded unit uses (Å, Ó and Ê fold to A, O and E).
inline bool UniteEnOctet(std::uint32_t unite, std::uint8_t& octet) {
    const std::uint32_t lettre = unite & ~kSuite;
    if (unite == lettre) {
        octet = static_cast<std::uint8_t>(unite);
        return unite < 0x100;
    }
    octet = static_cast<std::uint8_t>(lettre | 0x80);
    return lettre == 'E' || lettre == 'S' || lettre == 'J';
}

inline std::uint32_t UniteDeOctet(std::uint8_t octet) {
    return octet == ('E' | 0x80) || octet == ('S' | 0x80) || octet == ('J' | 0x80) ? (octet & 0x7Fu) | kSuite : octet;
}

inline std::uint32_t UniteDe(std::uint32_t unite) {
    return unite;
}

inline std::uint32_t UniteDe(std::uint8_t octet) {
    return UniteDeOctet(octet);
}

// Reads a UTF-8 text as folded units, one at a time, without allocating.
// Bytes that are not UTF-8 read as themselves, each distinct from every
// character.
class LecteurReplie {
public:
    // finMot: whether the text's end ends a word; not for a LIKE pattern's
    // piece that a wildcard follows, so that a criterion ending in STE stays
    // a prefix of STEENVOORDE. debutMot: whether its start counts as a word
    // start; not for a pattern's piece that follows _.
    LecteurReplie(const char* texte, std::size_t longueur, bool finMot = true, bool debutMot = true);

    // The next unit (the second letter of a ligature carries kSuite); false
    // once the text is used up.
    bool Suivant(std::uint32_t& unite);

private:
    bool Lettre(std::uint32_t& unite);
    bool Lire(std::uint32_t& unite);
    void Remettre(std::uint32_t unite);
    bool Abreviation(std::uint32_t& unite);

    const unsigned char* p_;
    const unsigned char* fin_;
    std::uint32_t attente_ = 0; // second letter of a ligature
    bool finMot_;
    bool debutMot_;
    bool fini_ = false;
    bool remis_ = false;
    std::uint32_t remise_ = 0;
    std::uint32_t tampon_[8] = {};
    std::size_t position_ = 0;
    std::size_t taille_ = 0;
};

// Appends the folded units of a UTF-8 text to unites (see LecteurReplie for
// finMot and debutMot).
void Replier(const char* texte, std::size_t longueur, std::vector<std::uint32_t>& unites, bool finMot = true,
             bool debutMot = true);

// Compares two UTF-8 texts after folding, the ligatures' kSuite mark aside:
// negative, zero or positive as a sorts before, with or after b.
int ComparerSansAccent(const char* a, std::size_t longueurA, const char* b, std::size_t longueurB);
