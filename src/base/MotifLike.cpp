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

namespace {

// The pattern's units, each literal run before a % ending a word when
// finAvantJoker; false when it ends on a lone escape character.
bool Compiler(const unsigned char* motif, std::size_t longueur, std::uint32_t echappement, bool finAvantJoker,
              std::vector<std::uint32_t>& unites) {
    const unsigned char* p = motif;
    const unsigned char* const fin = motif + longueur;
    std::string litteral;
    bool debutMot = true;
    while (p < fin) {
        const unsigned char* debut = p;
        std::uint32_t point = DecoderUtf8(p, fin);
        if (echappement != 0 && point == echappement) {
            if (p == fin) {
                AjouterLitteral(unites, litteral, true, debutMot);
                return false;
            }
            debut = p;
            DecoderUtf8(p, fin);
        } else if (point == '%' || point == '_') {
            AjouterLitteral(unites, litteral, point == '%' && finAvantJoker, debutMot);
            litteral.clear();
            debutMot = point == '%';
            // Runs of % match what one does; keeping one spares backtracking.
            if (point == '_') {
                unites.push_back(kUnCaractere);
            } else if (unites.empty() || unites.back() != kJoker) {
                unites.push_back(kJoker);
            }
            continue;
        }
        litteral.append(reinterpret_cast<const char*>(debut), static_cast<std::size_t>(p - debut));
    }
    AjouterLitteral(unites, litteral, true, debutMot);
    return true;
}

} // namespace

std::unique_ptr<MotifLike> CompilerMotif(const unsigned char* motif, std::size_t longueur, std::uint32_t echappement) {
    auto resultat = std::make_unique<MotifLike>();
    resultat->echappement = echappement;
    resultat->impossible = !Compiler(motif, longueur, echappement, false, resultat->unites);
    if (!resultat->impossible) {
        Compiler(motif, longueur, echappement, true, resultat->variante);
        if (resultat->variante == resultat->unites) {
            resultat->variante.clear();
        }
    }
    resultat->toutTexte = !resultat->impossible && resultat->unites.size() == 1 && resultat->unites.front() == kJoker;
    return resultat;
}
