#include "ErreurWindows.h"

#include "Utf16Windows.h"

#include <windows.h>

std::string TexteErreurWindows(unsigned long code) {
    wchar_t* texte = nullptr;
    const DWORD longueur =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&texte), 0, nullptr);
    if (longueur == 0 || texte == nullptr) {
        return "erreur " + std::to_string(code);
    }
    std::wstring message(texte, longueur);
    LocalFree(texte);
    // The system's texts end with a line break and often a full stop: the
    // program's sentence puts its own.
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    return DepuisUtf16(message);
}
