#include "PoliceProgramme.h"

#include <QFontDatabase>
#include <QResource>

QFont PoliceProgramme(const QString& famille, int taillePixels, const QString& ressource) {
    // Without the family, fontconfig would quietly stand a wider font in for
    // it (DejaVu Sans on a bare Linux system), and captions would overflow.
    if (!QFontDatabase::families().contains(famille)) {
        // An uncompressed resource is handed over in place: the font database
        // keeps the bytes the executable maps, not a copy of them.
        const QByteArray donnees = QResource(ressource).uncompressedData();
        if (!donnees.isEmpty()) {
            QFontDatabase::addApplicationFontFromData(donnees);
        }
    }
    QFont police(famille);
    police.setStyleHint(QFont::SansSerif);
    police.setPixelSize(taillePixels);
    return police;
}
