#include "RepliSansAccent.h"

int ComparerSansAccent(const char* a, std::size_t longueurA, const char* b, std::size_t longueurB) {
    // Most names differ within their ASCII start: no decoding needed there.
    const std::size_t commun = longueurA < longueurB ? longueurA : longueurB;
    std::size_t k = 0;
    for (; k < commun; ++k) {
        const auto octetA = static_cast<unsigned char>(a[k]);
        const auto octetB = static_cast<unsigned char>(b[k]);
        if ((octetA | octetB) >= 0x80) {
            break;
        }
        if (kTableRepli.lettres[octetA] != kTableRepli.lettres[octetB]) {
            return kTableRepli.lettres[octetA] < kTableRepli.lettres[octetB] ? -1 : 1;
        }
    }
    if (k == commun) {
        // Every character folds to at least one unit: the longer text is after.
        return longueurA == longueurB ? 0 : (longueurA < longueurB ? -1 : 1);
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
