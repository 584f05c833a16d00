#include "AccesFichier.h"

std::string MessageEcritureImpossible(const std::string& chemin, const std::string& raison) {
    return "Impossible d'écrire le fichier « " + chemin + " » : " + raison + ".";
}
