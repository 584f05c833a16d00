#include "Fichiers.h"

#include "Utf16Windows.h"

#include <windows.h>

bool FichierExiste(const std::string& chemin) {
    // Opened for its attributes alone, which no sharing refuses, links
    // followed to their target.
    const HANDLE h = chemin.empty() ? INVALID_HANDLE_VALUE
                                    : CreateFileW(VersUtf16(chemin).c_str(), FILE_READ_ATTRIBUTES,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION i{};
    const bool fichier = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &i) != 0 &&
                         (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
    }
    return fichier;
}
