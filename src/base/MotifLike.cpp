#include "MotifLike.h"

#include "RepliSansAccent.h"
#include "Utf8.h"

#include <string>

namespace {

// Folds one run of literal characters between wildcards. Its start counts as
// a word start at the pattern's start and after %, which may stand for a
// separator; after _ it does not. Its end ends a word only at the pattern's
// end: before a wildcard an abbreviation may still be the start of a word.
void AjouterLitteral(std::vector<std::uint32_t>& unites, const std::string& litteral, bool finMot, bool debutMot) {
    const std::size_t debut = unites.size();
    Replier(litteral.data(), litteral.size(), unites, finMot, debutMot);
    for (std::size_t k = debut; k < unites.size(); ++k) {
        unites[k] &= ~kSuite;
    }
}

} // namespace

std::unique_ptr<MotifLike> CompilerMotif(const unsigned char* motif, std::size_t longueur, std::uint32_t echappement) {
    auto resultat = std::make_unique<MotifLike>();
    resultat->echappement = echappement;
    const unsigned char* p = motif;
    const unsigned char* const fin = motif + longueur;
    std::string litteral;
    bool debutMot = true;
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
        } else if (point == '%' || point == '_') {
            AjouterLitteral(resultat->unites, litteral, false, debutMot);
            litteral.clear();
            debutMot = point == '%';
            // Runs of % match what one does; keeping one spares backtracking.
            if (point == '_') {
                resultat->unites.push_back(kUnCaractere);
            } else if (resultat->unites.empty() || resultat->unites.back() != kJoker) {
                resultat->unites.push_back(kJoker);
            }
            continue;
        }
        litteral.append(reinterpret_cast<const char*>(debut), static_cast<std::size_t>(p - debut));
    }
    AjouterLitteral(resultat->unites, litteral, true, debutMot);
    resultat->toutTexte = !resultat->impossible && resultat->unites.size() == 1 && resultat->unites.front() == kJoker;
    return resultat;
}

// Wildcard match over folded units. On a mismatch the text goes back to just
// after where the last % started matching; earlier % never need revisiting,
// so the cost stays at most pattern length times text length.
bool Correspond(const std::vector<std::uint32_t>& motif, const std::uint32_t* texte, std::size_t nTexte) {
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
