#include "Fichiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>

bool FichierExiste(const std::string& chemin) {
    struct stat etat {};
    // stat follows links, so a link to a file counts and a dangling one does not.
    return !chemin.empty() && ::stat(chemin.c_str(), &etat) == 0 && S_ISREG(etat.st_mode);
}

namespace {

QString CheminExecutable() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationFilePath();
    }
    // Before the application object exists (the argument check runs first).
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace

std::string DossierExecutable() {
    const QString dossier = QFileInfo(CheminExecutable()).absolutePath();
    return QDir::toNativeSeparators(dossier.endsWith(QLatin1Char('/')) ? dossier : dossier + QLatin1Char('/'))
        .toStdString();
}

std::string TitreApplication() {
    const QString nom = QFileInfo(CheminExecutable()).completeBaseName();
    if (nom.isEmpty()) {
        return {};
    }
    return (nom.left(1) + nom.mid(1).toLower()).toStdString();
}
