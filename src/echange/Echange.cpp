#include "Echange.h"

#include "FichierIni.h"
#include "Fichiers.h"
#include "Messagerie.h"
#include "Texte.h"

namespace {

const std::string kSection = "Quilvarest";
const std::string kMessageFichierAbsent = "Le fichier de configuration n'existe pas.";

} // namespace

bool ChargerConfig(const std::string& FichierConfig, CriteresDepart& criteres, Messagerie& messagerie) {
    if (!FichierExiste(FichierConfig)) {
        messagerie.AfficherMessage(kMessageFichierAbsent);
        return true;
    }
    const FichierIni ini(FichierConfig);
    criteres.Cp = ini.ReadString(kSection, "ZeruzuvoCp", "");
    criteres.Ville = ini.ReadString(kSection, "ZeruzuvoVille", "");
    return false;
}

void EnregistrerChoix(const std::string& FichierConfig, const std::string& entree, bool abandon,
                      Messagerie& messagerie) {
    // The entry is "CCCCC - VILLE": positions count characters, so a town
    // with accents is cut where a reader would cut it.
    std::string cp;
    std::string ville;
    if (entree.empty()) {
        abandon = true;
    } else {
        cp = CopierCaracteres(entree, 1, 5);
        ville = CopierCaracteres(entree, 9);
    }

    if (!FichierExiste(FichierConfig)) {
        messagerie.AfficherMessage(kMessageFichierAbsent);
        return;
    }

    FichierIni ini(FichierConfig);
    if (abandon) {
        ini.WriteBool(kSection, "Erreur", true);
    } else {
        // One replacement of the file: the caller never sees a choice whose
        // "Erreur" still says 1 beside a new "Cp".
        ini.WriteStrings(kSection, {{"Cp", cp}, {"Ville", ville}, {"Erreur", "0"}});
    }
}
