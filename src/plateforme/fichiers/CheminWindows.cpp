#include "CheminWindows.h"

#include <windows.h>

std::wstring VersUtf16(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int taille = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring utf16(static_cast<std::size_t>(taille), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), utf16.data(), taille);
    return utf16;
}

std::string DepuisUtf16(const std::wstring& utf16) {
    if (utf16.empty()) {
        return {};
    }
    const int taille =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(taille), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), utf8.data(), taille, nullptr,
                        nullptr);
    return utf8;
}

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
