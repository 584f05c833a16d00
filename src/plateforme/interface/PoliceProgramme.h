#pragma once

#include <QFont>
#include <QString>

// The program's font: famille at taillePixels pixels. When the system has no
// font of that family, the copy carried at ressource (a TrueType file among
// the program's resources, stored uncompressed) is registered first and used
// in its place, so that the captions keep the widths the dialog was drawn
// for; should that fail too, fontconfig's usual substitute is left to apply.
// Needs the application object.
QFont PoliceProgramme(const QString& famille, int taillePixels, const QString& ressource);
