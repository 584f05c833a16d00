#include "RepliSansAccent.h"

#include "Utf8.h"

namespace {

// Folded form of U+00C0 to U+017F, one entry per code point: the upper-case
// base letter; '1' AE, '2' OE, '3' SS, '4' IJ for the ligatures; '.' keeps the
// character (× ÷ and the letters with no base letter: Þ, þ, ĸ, Ŋ, ŋ).
constexpr char kLatin[] = "AAAAAA1CEEEEIIII"  // U+00C0
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

constexpr std::uint32_t kFinTable = 0x180;
static_assert(sizeof(kLatin) - 1 == kFinTable - 0xC0, "one entry per code point from U+00C0 to U+017F");

// Per code point below U+0180: the folded letters packed low byte first (0 in
// the high byte when there is only one), or 0 where the character is kept.
struct TableRepli {
    std::uint16_t lettres[kFinTable];
};

constexpr std::uint16_t Ligature(char code) {
    switch (code) {
    case '1':
        return 'A' | ('E' << 8);
    case '2':
        return 'O' | ('E' << 8);
    case '3':
        return 'S' | ('S' << 8);
    case '4':
        return 'I' | ('J' << 8);
    case '.':
        return 0;
    default:
        return static_cast<std::uint16_t>(code);
    }
}

constexpr TableRepli ConstruireTableRepli() {
    TableRepli table{};
    for (std::uint32_t c = 0; c < 0x80; ++c) {
        table.lettres[c] = static_cast<std::uint16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    for (std::uint32_t c = 0xC0; c < kFinTable; ++c) {
        table.lettres[c] = Ligature(kLatin[c - 0xC0]);
    }
    return table;
}

constexpr TableRepli kTableRepli = ConstruireTableRepli();

// Whether a folded unit separates words: blank, hyphen, apostrophe (' and ’).
bool EstSeparateur(std::uint32_t unite) {
    return unite == ' ' || unite == '-' || unite == '\'' || unite == 0x2019;
}

} // namespace

LecteurReplie::LecteurReplie(const char* texte, std::size_t longueur, bool finMot, bool debutMot)
    : p_(reinterpret_cast<const unsigned char*>(texte)), fin_(p_ + longueur), finMot_(finMot), debutMot_(debutMot) {}

bool LecteurReplie::Suivant(std::uint32_t& unite) {
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

// The next folded letter of the text, before separators and abbreviations.
bool LecteurReplie::Lettre(std::uint32_t& unite) {
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

bool LecteurReplie::Lire(std::uint32_t& unite) {
    if (remis_) {
        remis_ = false;
        unite = remise_;
        return true;
    }
    if (!Lettre(unite)) {
        fini_ = true;
        return false;
    }
    return true;
}

void LecteurReplie::Remettre(std::uint32_t unite) {
    remis_ = true;
    remise_ = unite;
}

// After an S at a word start: reads T, E, S and . as far as they go, and
// spells the abbreviation out when a separator (or the end of a word) follows.
bool LecteurReplie::Abreviation(std::uint32_t& unite) {
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
            if (!((encore && EstSeparateur(apres)) || (!encore && finMot_))) {
                tampon_[taille_++] = lu;
            }
            reste = encore;
            lu = apres;
        }
        if (reste ? EstSeparateur(lu) : finMot_) {
            // S T [E] [S] becomes S A I N T [E] [S].
            const std::size_t suite = taille_ - 2;
            const std::uint32_t fin[2] = {tampon_[2], tampon_[3]};
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

void Replier(const char* texte, std::size_t longueur, std::vector<std::uint32_t>& unites, bool finMot, bool debutMot) {
    LecteurReplie lecteur(texte, longueur, finMot, debutMot);
    for (std::uint32_t unite = 0; lecteur.Suivant(unite);) {
        unites.push_back(unite);
    }
}

int ComparerSansAccent(const char* a, std::size_t longueurA, const char* b, std::size_t longueurB) {
    LecteurReplie lecteurA(a, longueurA);
    LecteurReplie lecteurB(b, longueurB);
    std::uint32_t uniteA = 0;
    std::uint32_t uniteB = 0;
    for (;;) {
        const bool suiteA = lecteurA.Suivant(uniteA);
        const bool suiteB = lecteurB.Suivant(uniteB);
        if (!suiteA || !suiteB) {
            return suiteA ? 1 : (suiteB ? -1 : 0);
        }
        uniteA &= ~kSuite;
        uniteB &= ~kSuite;
        if (uniteA != uniteB) {
            return uniteA < uniteB ? -1 : 1;
        }
    }
}
