#pragma once

#include "Utf8.h"

#include <cstddef>
#include <cstdint>

// Town names are stored as written (SAINT-ÉTIENNE) while criteria come typed
// as ETIENNE, ÉTIENNE or étienne. Both sides are folded before comparing: each
// letter of ASCII, Latin-1 and Latin Extended-A to its upper-case base letter
// (é, É, ê → E), the ligatures spelled out (Œ → OE, Æ → AE, ß → SS, Ĳ → IJ).
// Other characters compare as they are. Plain C++: the store's SQLite
// functions, the tool that writes the store and the tests all use this one
// folding.

// Folded form of U+00C0 to U+017F, one entry per code point: the upper-case
// base letter; '1' AE, '2' OE, '3' SS, '4' IJ for the ligatures; '.' keeps the
// character (× ÷ and the letters with no base letter: Þ, þ, ĸ, Ŋ, ŋ).
inline constexpr char kLatin[] = "AAAAAA1CEEEEIIII"  // U+00C0
                                 "DNOOOOO.OUUUUY.3"  // U+00D0
                                 "AAAAAA1CEEEEIIII"  // U+00E0
                                 "DNOOOOO.OUUUUY.Y"  // U+00F0
                                 "AAAAAACCCCCCCCDD"  // U+0100
                                 "DDEEEEEEEEEEGGGG"  // U+0110
                                 "GGGGHHHHIIIIIIII"  // U+0120
                                 "II44JJKK.LLLLLLL"  // U+0130
                                 "LLLNNNNNNN..OOOO"  // U+0140
                                 "OO22RRRRRRSSSSSS"  // U+0150
                                 "SSTTTTTTUUUUUUUU"  // U+0160
                                 "UUUUWWYYYZZZZZZS"; // U+0170

inline constexpr std::uint32_t kFinTable = 0x180;
static_assert(sizeof(kLatin) - 1 == kFinTable - 0xC0, "one entry per code point from U+00C0 to U+017F");

// Per code point below U+0180: the folded letters packed low byte first (0 in
// the high byte when there is only one), or 0 where the character is kept.
struct TableRepli {
    std::uint16_t lettres[kFinTable];
};

constexpr TableRepli ConstruireTableRepli() {
    TableRepli table{};
    for (std::uint32_t c = 0; c < 0x80; ++c) {
        table.lettres[c] = static_cast<std::uint16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    for (std::uint32_t c = 0xC0; c < kFinTable; ++c) {
        const char lettre = kLatin[c - 0xC0];
        std::uint16_t replie = static_cast<std::uint16_t>(lettre);
        if (lettre == '1') {
            replie = 'A' | ('E' << 8);
        } else if (lettre == '2') {
            replie = 'O' | ('E' << 8);
        } else if (lettre == '3') {
            replie = 'S' | ('S' << 8);
        } else if (lettre == '4') {
            replie = 'I' | ('J' << 8);
        } else if (lettre == '.') {
            replie = 0;
        }
        table.lettres[c] = replie;
    }
    return table;
}

inline constexpr TableRepli kTableRepli = ConstruireTableRepli();

// Marks the second letter of a spelled-out ligature in folded text, so that _
// can take the ligature as the one character it was.
inline constexpr std::uint32_t kSuite = 0x80000000u;
// Reads a UTF-8 text as folded letters, one at a time, without allocating.
class LecteurLettres {
public:
    LecteurLettres(const char* texte, std::size_t longueur)
        : p_(reinterpret_cast<const unsigned char*>(texte)), fin_(p_ + longueur) {}

    // The next folded unit (the second letter of a ligature carries kSuite);
    // false once the text is used up.
    bool Suivant(std::uint32_t& unite) {
        if (attente_ != 0) {
            unite = attente_ | kSuite;
            attente_ = 0;
            return true;
        }
        if (p_ == fin_) {
            return false;
        }
        if (*p_ < 0x80) {
            unite = kTableRepli.lettres[*p_++];
            return true;
        }
        const std::uint32_t point = DecoderUtf8(p_, fin_);
        const std::uint32_t replie = point < kFinTable ? kTableRepli.lettres[point] : 0;
        if (replie == 0) {
            unite = point;
        } else {
            unite = replie & 0xFF;
            attente_ = replie >> 8;
        }
        return true;
    }

private:
    const unsigned char* p_;
    const unsigned char* fin_;
    std::uint32_t attente_ = 0;
};

// Whether a folded unit separates words: blank, hyphen, apostrophe (' and ’).
inline bool EstSeparateur(std::uint32_t unite) {
    return unite == ' ' || unite == '-' || unite == '\'' || unite == 0x2019;
}

// Town names as La Poste writes them (ST MARTIN D HERES) compare equal to the
// official ones (SAINT-MARTIN-D'HÈRES): on top of the letters' folding, each
// run of separators reads as one blank, and a whole word ST, STE, STS or STES
// (optionally followed by a full stop) reads as SAINT, SAINTE, SAINTS or
// SAINTES when a separator or the end of a whole text follows it. The end of
// a LIKE pattern's piece that a wildcard follows ends no word, so a criterion
// ending in STE stays a prefix of STEENVOORDE.
class LecteurReplie {
public:
    // finMot: whether the text's end ends a word (not for a pattern piece
    // that a wildcard follows). debutMot: whether its start counts as a word
    // start (not for a pattern piece that follows _).
    LecteurReplie(const char* texte, std::size_t longueur, bool finMot = true, bool debutMot = true)
        : lettres_(texte, longueur), finMot_(finMot), debutMot_(debutMot) {}

    // The next unit as the comparison reads it; false once the text is used up.
    bool Suivant(std::uint32_t& unite) {
        if (position_ < taille_) {
            unite = tampon_[position_++];
            return true;
        }
        position_ = 0;
        taille_ = 0;
        std::uint32_t lu = 0;
        if (!Lire(lu)) {
            return false;
        }
        if (EstSeparateur(lu)) {
            std::uint32_t suivant = 0;
            while (Lire(suivant) && EstSeparateur(suivant)) {
            }
            if (!fini_) {
                Remettre(suivant);
            }
            debutMot_ = true;
            unite = ' ';
            return true;
        }
        if (debutMot_ && lu == 'S') {
            debutMot_ = false;
            return Abreviation(unite);
        }
        debutMot_ = false;
        unite = lu;
        return true;
    }

private:
    bool Lire(std::uint32_t& unite) {
        if (remis_) {
            remis_ = false;
            unite = remise_;
            return true;
        }
        if (!lettres_.Suivant(unite)) {
            fini_ = true;
            return false;
        }
        return true;
    }

    void Remettre(std::uint32_t unite) {
        remis_ = true;
        remise_ = unite;
    }

    // After an S at a word start: reads T, E, S and . as far as they go, and
    // spells the abbreviation out when a separator follows.
    bool Abreviation(std::uint32_t& unite) {
        tampon_[taille_++] = 'S';
        std::uint32_t lu = 0;
        bool reste = Lire(lu);
        if (reste && lu == 'T') {
            tampon_[taille_++] = lu;
            reste = Lire(lu);
            if (reste && lu == 'E') {
                tampon_[taille_++] = lu;
                reste = Lire(lu);
            }
            if (reste && lu == 'S') {
                tampon_[taille_++] = lu;
                reste = Lire(lu);
            }
            // A full stop belongs to the abbreviation when a separator follows.
            if (reste && lu == '.') {
                std::uint32_t apres = 0;
                const bool encore = Lire(apres);
                if ((encore && EstSeparateur(apres)) || (!encore && finMot_)) {
                    reste = encore;
                    lu = apres;
                } else {
                    tampon_[taille_++] = lu;
                    reste = !fini_;
                    lu = apres;
                }
            }
            if (reste ? EstSeparateur(lu) : finMot_) {
                // S T [E] [S] becomes S A I N T [E] [S].
                const std::size_t suite = taille_ - 2;
                std::uint32_t fin[2] = {tampon_[2], tampon_[3]};
                tampon_[1] = 'A';
                tampon_[2] = 'I';
                tampon_[3] = 'N';
                tampon_[4] = 'T';
                for (std::size_t k = 0; k < suite; ++k) {
                    tampon_[5 + k] = fin[k];
                }
                taille_ = 5 + suite;
            }
        }
        if (reste) {
            Remettre(lu);
        }
        unite = tampon_[position_++];
        return true;
    }

    LecteurLettres lettres_;
    bool finMot_;
    bool debutMot_;
    bool fini_ = false;
    bool remis_ = false;
    std::uint32_t remise_ = 0;
    std::uint32_t tampon_[8] = {};
    std::size_t position_ = 0;
    std::size_t taille_ = 0;
};

// Compares two UTF-8 texts after folding: negative, zero or positive as a
// sorts before, with or after b. Bytes that are not UTF-8 compare as
// themselves, each distinct from every character.
int ComparerSansAccent(const char* a, std::size_t longueurA, const char* b, std::size_t longueurB);
