// Started in a folder holding a DLL of the project's own under a name no
// system has: once the loader is restricted as the program restricts it at
// start-up, loading that name finds nothing, while the same file still loads
// by its full path (so the plant itself is sound).
#include "Chargeur.h"

#include <cstdio>
#include <string>
#include <windows.h>

int main() {
    const wchar_t* const nom = L"quilvarest-piege.dll";
    wchar_t dossier[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, dossier);
    const std::wstring plein = std::wstring(dossier) + L"\\" + nom;

    RestreindreChargementBibliotheques();
    if (HMODULE pris = LoadLibraryW(nom)) {
        std::puts("FAIL: the DLL planted in the current folder was loaded");
        FreeLibrary(pris);
        return 1;
    }
    HMODULE plante = LoadLibraryW(plein.c_str());
    if (plante == nullptr || GetProcAddress(plante, "Temoin") == nullptr) {
        std::puts("FAIL: the planted DLL does not load by its full path");
        return 1;
    }
    std::puts("PASS: the DLL planted in the current folder was not loaded");
    return 0;
}
