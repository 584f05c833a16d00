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
