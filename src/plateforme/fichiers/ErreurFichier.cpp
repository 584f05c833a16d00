#include "ErreurFichier.h"

#include "PrimitivesFichier.h"

namespace {

std::string Raison(bool lecture, const ErreurFichier& erreur) {
    const std::string plusTard =
        lecture ? " ; réessayez dans un instant" : " ; rien n'y a été écrit, réessayez dans un instant";
    switch (erreur.code) {
    case kPasUnFichierOrdinaire:
        return "ce n'est pas un fichier ordinaire";
    case kUtiliseAilleurs:
        return "il est utilisé par un autre programme" + plusTard;
    case kModifieSansCesse:
        return "un autre programme le modifie en ce moment" + plusTard;
    case kAucunDossierSur:
        return "aucun dossier sûr où garder sa copie de sauvegarde (" + erreur.detail + ")";
    }
    const std::string copie = erreur.etape == Etape::Copie ? "sa copie de sauvegarde « " + erreur.detail + " » : " : "";
    return copie + TexteSysteme(erreur.code);
}

} // namespace

std::string MessageFichier(const std::string& chemin, bool lecture, const ErreurFichier& erreur) {
    return lecture ? "Impossible de lire le fichier « " + chemin + " » : " + Raison(true, erreur) + "."
                   : MessageEcritureImpossible(chemin, Raison(false, erreur));
}

std::string MessageEcritureImpossible(const std::string& chemin, const std::string& raison) {
    return "Impossible d'écrire le fichier « " + chemin + " » : " + raison + ".";
}
