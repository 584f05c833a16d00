#include "Fichiers.h"

#include "Utf16Windows.h"

#include <windows.h>

bool FichierExiste(const std::string& chemin) {
    if (chemin.empty()) {
        return false;
    }
    const std::wstring large = VersUtf16(chemin);
    const DWORD attributs = GetFileAttributesW(large.c_str());
    if (attributs == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if ((attributs & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return (attributs & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    // A link: the attributes above are the link's own. Opening it follows it
    // to its target, which must exist and not be a folder.
    const HANDLE cible = CreateFileW(large.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (cible == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION informations{};
    const bool lu = GetFileInformationByHandle(cible, &informations) != 0;
    CloseHandle(cible);
    return lu && (informations.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
