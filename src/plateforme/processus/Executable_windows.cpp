#include "Executable.h"

#include "Utf16Windows.h"

#include <windows.h>

std::string CheminExecutable() {
    // The wide call: a folder name outside the ANSI code page stays whole.
    std::wstring chemin(MAX_PATH, L'\0');
    for (;;) {
        const DWORD longueur = GetModuleFileNameW(nullptr, chemin.data(), static_cast<DWORD>(chemin.size()));
        if (longueur == 0) {
            return {};
        }
        if (longueur < chemin.size()) {
            chemin.resize(longueur);
            return DepuisUtf16(chemin);
        }
        chemin.resize(chemin.size() * 2);
    }
}
