#include "Executable.h"

#include <QFileInfo>

std::string CheminExecutable() {
    // The kernel's own link: valid before the application object exists (the
    // argument check runs first) and through any link the program was started by.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().toStdString();
}
