#include "Executable.h"

#include <QDir>
#include <QFileInfo>

std::string DossierExecutable() {
    const QString dossier = QFileInfo(QString::fromStdString(CheminExecutable())).absolutePath();
    return QDir::toNativeSeparators(dossier.endsWith(QLatin1Char('/')) ? dossier : dossier + QLatin1Char('/'))
        .toStdString();
}

std::string TitreApplication() {
    const QString nom = QFileInfo(QString::fromStdString(CheminExecutable())).completeBaseName();
    if (nom.isEmpty()) {
        return {};
    }
    return (nom.left(1) + nom.mid(1).toLower()).toStdString();
}
