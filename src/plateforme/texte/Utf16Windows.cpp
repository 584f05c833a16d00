#include "Utf16Windows.h"

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
