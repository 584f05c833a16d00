#include "Fichiers.h"

#include <QFileInfo>
#include <sys/stat.h>

bool FichierExiste(const std::string& chemin) {
    struct stat etat {};
    // stat follows links, so a link to a file counts and a dangling one does not.
    return !chemin.empty() && ::stat(chemin.c_str(), &etat) == 0 && S_ISREG(etat.st_mode);
}

std::string CheminExecutable() {
    // The kernel's own link: valid before the application object exists (the
    // argument check runs first) and through any link the program was started by.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().toStdString();
}
