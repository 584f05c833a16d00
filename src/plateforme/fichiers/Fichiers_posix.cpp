#include "Fichiers.h"

#include <sys/stat.h>

bool FichierExiste(const std::string& chemin) {
    struct stat etat {};
    // stat follows links, so a link to a file counts and a dangling one does not.
    return !chemin.empty() && ::stat(chemin.c_str(), &etat) == 0 && S_ISREG(etat.st_mode);
}
