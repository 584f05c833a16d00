#include "ComparaisonSansAccent.h"

#include "Utf8.h"

#include <cstdint>
#include <memory>
#include <sqlite3.h>
#include <vector>

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

constexpr TableRepli ConstruireTable() {
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

constexpr TableRepli kTable = ConstruireTable();

// Marks the second letter of a spelled-out ligature in folded text, so that _
// can take the ligature as the one character it was.
constexpr std::uint32_t kSuite = 0x80000000u;
// Pattern tokens, outside every folded value.
constexpr std::uint32_t kJoker = 0xFFFFFFF0u;
constexpr std::uint32_t kUnCaractere = 0xFFFFFFF1u;

// Reads a UTF-8 text as folded units, one at a time, without allocating.
class LecteurReplie {
public:
    LecteurReplie(const char* texte, std::size_t longueur)
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
            unite = kTable.lettres[*p_++];
            return true;
        }
        const std::uint32_t point = DecoderUtf8(p_, fin_);
        const std::uint32_t replie = point < kFinTable ? kTable.lettres[point] : 0;
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

// A LIKE pattern folded once per statement, and the buffer each row's text is
// folded into, reused from row to row.
struct MotifLike {
    std::vector<std::uint32_t> unites;
    std::uint32_t echappement = 0; // 0: no ESCAPE clause
    bool impossible = false;       // ends on a lone escape character
    bool toutTexte = false;        // nothing but %: matches every text
    std::vector<std::uint32_t> texte;
};

std::unique_ptr<MotifLike> CompilerMotif(const unsigned char* motif, std::size_t longueur, std::uint32_t echappement) {
    auto resultat = std::make_unique<MotifLike>();
    resultat->echappement = echappement;
    const unsigned char* p = motif;
    const unsigned char* const fin = motif + longueur;
    while (p < fin) {
        const unsigned char* debut = p;
        std::uint32_t point = DecoderUtf8(p, fin);
        if (echappement != 0 && point == echappement) {
            if (p == fin) {
                resultat->impossible = true;
                break;
            }
            debut = p;
            DecoderUtf8(p, fin);
        } else if (point == '%') {
            // Runs of % match what one does; keeping one spares backtracking.
            if (resultat->unites.empty() || resultat->unites.back() != kJoker) {
                resultat->unites.push_back(kJoker);
            }
            continue;
        } else if (point == '_') {
            resultat->unites.push_back(kUnCaractere);
            continue;
        }
        LecteurReplie lecteur(reinterpret_cast<const char*>(debut), static_cast<std::size_t>(p - debut));
        for (std::uint32_t unite = 0; lecteur.Suivant(unite);) {
            resultat->unites.push_back(unite & ~kSuite);
        }
    }
    resultat->toutTexte = !resultat->impossible && resultat->unites.size() == 1 && resultat->unites.front() == kJoker;
    return resultat;
}

// Wildcard match over folded units. On a mismatch the text goes back to just
// after where the last % started matching; earlier % never need revisiting,
// so the cost stays at most pattern length times text length.
bool Correspond(const std::vector<std::uint32_t>& motif, const std::vector<std::uint32_t>& texte) {
    constexpr std::size_t kAucune = static_cast<std::size_t>(-1);
    const std::size_t nMotif = motif.size();
    const std::size_t nTexte = texte.size();
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
            while (j < nTexte && (texte[j] & kSuite) != 0) {
                ++j;
            }
        } else if (i < nMotif && motif[i] == (texte[j] & ~kSuite)) {
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

void ReplierTexte(const unsigned char* texte, std::size_t longueur, std::vector<std::uint32_t>& unites) {
    unites.clear();
    LecteurReplie lecteur(reinterpret_cast<const char*>(texte), longueur);
    for (std::uint32_t unite = 0; lecteur.Suivant(unite);) {
        unites.push_back(unite);
    }
}

void DetruireMotif(void* motif) {
    delete static_cast<MotifLike*>(motif);
}

// like(X, Y[, Z]): Y LIKE X [ESCAPE Z], both sides folded. The compiled
// pattern rides on the statement as auxiliary data while X stays the same, so
// a whole scan folds it once and allocates nothing per row.
void LikeSansAccent(sqlite3_context* contexte, int nombre, sqlite3_value** arguments) {
    std::uint32_t echappement = 0;
    if (nombre == 3) {
        const auto* texteEchappement = sqlite3_value_text(arguments[2]);
        if (texteEchappement == nullptr) {
            return;
        }
        const auto longueur = static_cast<std::size_t>(sqlite3_value_bytes(arguments[2]));
        const unsigned char* p = texteEchappement;
        echappement = longueur == 0 ? 0 : DecoderUtf8(p, texteEchappement + longueur);
        if (longueur == 0 || p != texteEchappement + longueur) {
            // The built-in LIKE's own message.
            sqlite3_result_error(contexte, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        return;
    }
    const auto* texte = sqlite3_value_text(arguments[1]);
    const auto longueurTexte = static_cast<std::size_t>(sqlite3_value_bytes(arguments[1]));
    auto* motif = static_cast<MotifLike*>(sqlite3_get_auxdata(contexte, 0));
    std::unique_ptr<MotifLike> nouveau;
    if (motif == nullptr || motif->echappement != echappement) {
        const auto* texteMotif = sqlite3_value_text(arguments[0]);
        const auto longueurMotif = static_cast<std::size_t>(sqlite3_value_bytes(arguments[0]));
        if (texteMotif != nullptr) {
            nouveau = CompilerMotif(texteMotif, longueurMotif, echappement);
            motif = nouveau.get();
        }
    }
    // Like the built-in LIKE: a value with no text (an empty blob) gives NULL.
    if (texte == nullptr || motif == nullptr) {
        return;
    }
    // Listing everything ("%%") is the most common search: no folding needed.
    if (motif->toutTexte) {
        sqlite3_result_int(contexte, 1);
    } else {
        ReplierTexte(texte, longueurTexte, motif->texte);
        sqlite3_result_int(contexte, !motif->impossible && Correspond(motif->unites, motif->texte) ? 1 : 0);
    }
    if (nouveau) {
        // SQLite may free it at once, so it is handed over only once used.
        sqlite3_set_auxdata(contexte, 0, nouveau.release(), DetruireMotif);
    }
}

int CollationSansAccent(void*, int longueurA, const void* a, int longueurB, const void* b) {
    return ComparerSansAccent(static_cast<const char*>(a), static_cast<std::size_t>(longueurA),
                              static_cast<const char*>(b), static_cast<std::size_t>(longueurB));
}

} // namespace

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
        if (kTable.lettres[octetA] != kTable.lettres[octetB]) {
            return kTable.lettres[octetA] < kTable.lettres[octetB] ? -1 : 1;
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

int EnregistrerComparaisonSansAccent(sqlite3* connexion) {
    int rc = sqlite3_create_collation_v2(connexion, kCollationSansAccent, SQLITE_UTF8, nullptr, CollationSansAccent,
                                         nullptr);
    const int drapeaux = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (int nombre = 2; rc == SQLITE_OK && nombre <= 3; ++nombre) {
        rc = sqlite3_create_function_v2(connexion, "like", nombre, drapeaux, nullptr, LikeSansAccent, nullptr, nullptr,
                                        nullptr);
    }
    return rc;
}
