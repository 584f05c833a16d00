#include "AccesFichier.h"

#include "CopieSauvegarde.h"
#include "Echec.h"
#include "EntreesSorties.h"
#include "Remplacement.h"
#include "VerrouFichier.h"

namespace {

// Up to this size the bytes themselves are compared before a commit; past
// it, the file's identity, size and time tell a change.
constexpr std::uint64_t kComparaisonOctets = 1 << 20;

[[noreturn]] void Echouer(const std::string& chemin, int erreur) {
    throw Echec(MessageEcritureImpossible(chemin, erreur));
}

bool Inchange(const std::string& cible, const Lecture& lue) {
    int erreur = 0;
    const PoigneeTenue fichier(OuvrirFichier(cible, false, erreur));
    EtatFichier etat;
    if (!fichier.Ouverte() || EtatDe(fichier.Valeur(), etat) != 0 || etat.identite != lue.etat.identite ||
        etat.taille != lue.etat.taille || etat.modification != lue.etat.modification) {
        return false;
    }
    std::string octets;
    return etat.taille > kComparaisonOctets || (LireTout(fichier.Valeur(), octets) == 0 && octets == lue.octets);
}

// One attempt at the commit; false when the file changed since lue.
bool Ecrire(const std::string& chemin, const std::string& cible, const Lecture& lue, const std::string& nouveau) {
    const auto inchange = [&] { return Inchange(cible, lue); };
    // Another name of the same file would keep the old content after a
    // rename: such a file is written through itself.
    if (lue.etat.liens > 1) {
        return EcrireSurPlace(chemin, cible, lue, nouveau, inchange);
    }
    switch (RemplacerParRenommage(chemin, cible, nouveau, inchange)) {
    case Remplacement::Fait:
        return true;
    case Remplacement::Change:
        return false;
    case Remplacement::Refuse:
        break;
    }
    return EcrireSurPlace(chemin, cible, lue, nouveau, inchange);
}

} // namespace

std::string MessageEcritureImpossible(const std::string& chemin, const std::string& raison) {
    return "Impossible d'écrire le fichier « " + chemin + " » : " + raison + ".";
}

std::string MessageEcritureImpossible(const std::string& chemin, int erreur) {
    return MessageEcritureImpossible(chemin, erreur == kPasUnFichierOrdinaire ? "ce n'est pas un fichier ordinaire"
                                                                              : TexteSysteme(erreur));
}

int LireFichierEntier(const std::string& chemin, std::string& octets) {
    // A copy left beside the file is rare; only then is the lock taken, and
    // the copy looked for again under it: a write under way is waited for.
    if (CopieEnAttente(chemin)) {
        const VerrouFichier verrou(chemin);
        RetablirSousVerrou(chemin, CibleFinale(chemin));
    }
    Lecture lue;
    const int erreur = LireChemin(chemin, lue);
    octets = std::move(lue.octets);
    return erreur;
}

void ModifierFichier(const std::string& chemin, const Transformation& transformer) {
    const VerrouFichier verrou(chemin);
    // The final target of any chain of links: it is the file replaced, in
    // its own folder, while the links keep pointing at it.
    const std::string cible = CibleFinale(chemin);
    RetablirSousVerrou(chemin, cible);
    OterCopiesOrphelines();
    Lecture lue;
    if (const int erreur = LireChemin(cible, lue)) {
        Echouer(chemin, erreur);
    }
    if (const int erreur = EcriturePermise(cible)) {
        Echouer(chemin, erreur);
    }
    for (int essai = 0;; ++essai) {
        const std::string nouveau = transformer(lue.octets);
        if (nouveau == lue.octets || Ecrire(chemin, cible, lue, nouveau)) {
            return;
        }
        if (essai == 1) {
            throw Echec(MessageEcritureImpossible(
                chemin,
                "un autre programme le modifie en ce moment ; rien n'y a été écrit, réessayez dans un instant"));
        }
        if (const int erreur = LireChemin(cible, lue)) {
            Echouer(chemin, erreur);
        }
    }
}
