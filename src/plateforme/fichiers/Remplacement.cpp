#include "Remplacement.h"

#include "EntreesSorties.h"
#include "ErreurFichier.h"

namespace {

// The folder of cible, and our temporary file's name in it: hidden, marked as
// ours, cible's name cut to 200 bytes so that it stays a valid name.
std::pair<std::string, std::string> PlaceTemporaire(const std::string& cible) {
    const std::string::size_type barre = cible.find_last_of(std::string("/") + kSeparateur);
    return {cible.substr(0, barre == 0 ? 1 : barre), "." + cible.substr(barre + 1, 200) + ".quilvarest-ecriture"};
}

// The temporary file, its name removed on every exit until it has taken the
// original's place.
struct Temporaire {
    PoigneeTenue fichier;
    std::string chemin;
    bool nomme = false;
    ~Temporaire() {
        if (nomme) {
            fichier.Fermer();
            SupprimerDans(kAucunePoignee, {}, chemin);
        }
    }
    // Creates the file under its name, or names the unnamed file it is.
    int Nommer() {
        int erreur = 0;
        if (fichier.Ouverte()) {
            erreur = DonnerNom(fichier.Valeur(), chemin);
        } else {
            fichier = PoigneeTenue(OuvrirDans(kAucunePoignee, {}, chemin, Genre::Ordinaire, true, erreur));
        }
        nomme = erreur == 0;
        return erreur;
    }
};

} // namespace

bool TemporaireLaisse(const std::string& cible) {
    const auto [dossier, nom] = PlaceTemporaire(cible);
    int erreur = 0;
    return !cible.empty() &&
           PoigneeTenue(OuvrirDans(kAucunePoignee, dossier, nom, Genre::Ordinaire, false, erreur)).Ouverte();
}

void OterTemporaireLaisse(const std::string& cible) {
    const auto [dossier, nom] = PlaceTemporaire(cible);
    if (!cible.empty() && OuvrirSiANous(kAucunePoignee, dossier, nom).Ouverte()) {
        SupprimerDans(kAucunePoignee, dossier, nom);
    }
}

Remplacement RemplacerParRenommage(Poignee original, const std::string& cible, const std::string& nouveau,
                                   const std::function<bool()>& inchange) {
    const auto [dossier, nom] = PlaceTemporaire(cible);
    Temporaire temporaire{PoigneeTenue(CreerSansNom(dossier)), dossier + kSeparateur + nom};
    const bool sansNom = temporaire.fichier.Ouverte();
    int erreur = sansNom ? 0 : temporaire.Nommer();
    const Poignee fichier = temporaire.fichier.Valeur();
    if (erreur == 0 &&
        ((erreur = EcrireEn(fichier, nouveau, 0)) != 0 || (erreur = ReprendreAttributs(original, fichier)) != 0 ||
         (erreur = Synchroniser(fichier)) != 0)) {
        if (!PlaceManquante(erreur)) {
            return Remplacement::Refuse; // an attribute it cannot take: the write in place keeps them all
        }
    } else if (erreur == 0 && sansNom) {
        erreur = temporaire.Nommer();
    }
    if (erreur == 0 && !inchange()) {
        return Remplacement::Change;
    }
    erreur = erreur == 0 ? Substituer(temporaire.fichier.Lacher(), temporaire.chemin, cible) : erreur;
    // A folder refusing the new name or the rename (a sticky one, like /tmp,
    // over another user's file that we may write), or the name taken by a
    // file not ours (the repair under the lock removed any of ours): the file
    // is written in place.
    if (NomRefuse(erreur)) {
        return Remplacement::Refuse;
    }
    if (erreur != 0) {
        throw ErreurFichier{Etape::Renommage, erreur};
    }
    temporaire.nomme = false;
    // The new name made durable, where the system needs it.
    if (const PoigneeTenue lieu(OuvrirDans(kAucunePoignee, {}, dossier, Genre::Dossier, false, erreur));
        lieu.Ouverte()) {
        Synchroniser(lieu.Valeur());
    }
    return Remplacement::Fait;
}
