#include "AccesFichier.h"

#include "CopieSauvegarde.h"
#include "Echec.h"
#include "Remplacement.h"
#include "VerrouFichier.h"

namespace {

// Up to this size the bytes themselves are compared before a commit; past it,
// the file's size and time tell a change.
constexpr std::uint64_t kComparaisonOctets = 1 << 20;

// The locked file (to write too when inscriptible), whose path is cible, read
// once a write of ours cut short is put back and our leftover removed.
Lecture LireSousVerrou(Poignee fichier, bool inscriptible, const std::string& cible) {
    Lecture lue;
    int erreur = EtatDe(fichier, lue.etat);
    if (erreur == 0 && RetablirSousVerrou(fichier, inscriptible, lue.etat)) {
        erreur = EtatDe(fichier, lue.etat);
    }
    OterTemporaireLaisse(cible);
    if (erreur != 0 || (erreur = LireTout(fichier, lue.octets)) != 0) {
        throw ErreurFichier{Etape::Lecture, erreur};
    }
    return lue;
}

// Whether the file is still as lue saw it, and still the one cible names: the
// one look at the path after the lock's, which the rename needs.
bool Inchange(Poignee fichier, const std::string& cible, const Lecture& lue) {
    EtatFichier etat;
    std::string octets;
    return EtatDe(fichier, etat) == 0 && etat.taille == lue.etat.taille && etat.modification == lue.etat.modification &&
           Designe(cible, etat.identite) &&
           (etat.taille > kComparaisonOctets || (LireTout(fichier, octets) == 0 && octets == lue.octets));
}

// One try under the lock: false when the file changed before the commit.
bool Essayer(const std::string& chemin, const Transformation& transformer) {
    const VerrouFichier verrou(chemin, true);
    const Poignee fichier = verrou.Valeur();
    // The final target of any chain of links: it is the file replaced, in its
    // own folder, while the links keep pointing at it.
    const std::string cible = CheminDe(fichier);
    const Lecture lue = LireSousVerrou(fichier, true, cible);
    const std::string nouveau = transformer(lue.octets);
    if (nouveau == lue.octets) {
        return true;
    }
    const auto inchange = [&] { return Inchange(fichier, cible.empty() ? chemin : cible, lue); };
    // Another name of the same file would keep the old content after a
    // rename: such a file is written through itself.
    if (lue.etat.liens == 1 && !cible.empty()) {
        const Remplacement fait = RemplacerParRenommage(fichier, cible, nouveau, inchange);
        if (fait != Remplacement::Refuse) {
            return fait == Remplacement::Fait;
        }
    }
    return EcrireSurPlace(fichier, cible, lue, nouveau, inchange);
}

} // namespace

int LireFichierEntier(const std::string& chemin, std::string& octets) {
    int erreur = 0;
    EtatFichier etat;
    PoigneeTenue fichier(OuvrirFichier(chemin, false, etat, erreur));
    if (!fichier.Ouverte()) {
        return erreur;
    }
    // A copy, or a temporary file of ours, left beside the file is rare: only
    // then is the lock taken, and they are looked for again under it, a write
    // under way being waited for.
    if (!CopieEnAttente(etat) && !TemporaireLaisse(CheminDe(fichier.Valeur()))) {
        return LireTout(fichier.Valeur(), octets);
    }
    try {
        const VerrouFichier verrou(chemin, false, std::move(fichier));
        octets = LireSousVerrou(verrou.Valeur(), false, CheminDe(verrou.Valeur())).octets;
        return 0;
    } catch (const ErreurFichier& echec) {
        if (echec.etape == Etape::Lecture || echec.etape == Etape::Ouverture) {
            return echec.code;
        }
        throw Echec(MessageFichier(chemin, true, echec));
    }
}

void ModifierFichier(const std::string& chemin, const Transformation& transformer) {
    try {
        if (!Essayer(chemin, transformer) && !Essayer(chemin, transformer)) {
            throw ErreurFichier{Etape::Ecriture, kModifieSansCesse};
        }
        OterCopiesOrphelines();
    } catch (const ErreurFichier& echec) {
        throw Echec(MessageFichier(chemin, false, echec));
    }
}
