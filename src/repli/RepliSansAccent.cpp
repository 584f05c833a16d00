#include "RepliSansAccent.h"

int ComparerSansAccent(const char* a, std::size_t longueurA, const char* b, std::size_t longueurB) {
    // Most names differ within their ASCII start: the same folded bytes there
    // need no reader.
    const std::size_t commun = longueurA < longueurB ? longueurA : longueurB;
    std::size_t k = 0;
    for (; k < commun; ++k) {
        const auto octetA = static_cast<unsigned char>(a[k]);
        const auto octetB = static_cast<unsigned char>(b[k]);
        if ((octetA | octetB) >= 0x80 || kTableRepli.lettres[octetA] != kTableRepli.lettres[octetB]) {
            break;
        }
    }
    if (k == commun && longueurA == longueurB) {
        return 0;
    }
    std::size_t mot = k;
    while (mot > 0 && !EstSeparateur(static_cast<unsigned char>(a[mot - 1]))) {
        --mot;
    }
    if (k < commun) {
        // Two ASCII letters that differ decide, unless a separator or a full
        // stop is one of them, or the word so far may be an abbreviation
        // (S, ST, STE, STS) that a separator would spell out.
        const auto octetA = static_cast<unsigned char>(a[k]);
        const auto octetB = static_cast<unsigned char>(b[k]);
        const bool abreviation = k > mot && k - mot <= 3 &&
                                 kTableRepli.lettres[static_cast<unsigned char>(a[mot])] == 'S' &&
                                 (k - mot == 1 || kTableRepli.lettres[static_cast<unsigned char>(a[mot + 1])] == 'T');
        if ((octetA | octetB) < 0x80 && !EstSeparateur(octetA) && !EstSeparateur(octetB) && octetA != '.' &&
            octetB != '.' && !abreviation) {
            return kTableRepli.lettres[octetA] < kTableRepli.lettres[octetB] ? -1 : 1;
        }
    }
    k = mot;
    // Separators and abbreviations read differently from their bytes: both
    // readers start again where the current word's separators begin, a point
    // where each reads alike from then on.
    while (k > 0 && EstSeparateur(static_cast<unsigned char>(a[k - 1]))) {
        --k;
    }
    LecteurReplie lecteurA(a + k, longueurA - k);
    LecteurReplie lecteurB(b + k, longueurB - k);
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
