#include "JeuSession.h"

#include "Utf8.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

// The ANSI code page, the one the INI functions write an ANSI file in. It
// only changes with a restart, so it is read once.
UINT PageAnsi() {
    static const UINT page = ::GetACP();
    return page;
}

std::wstring PageVersUtf16(UINT page, const std::string& texte) {
    if (texte.empty()) {
        return {};
    }
    const int taille = static_cast<int>(texte.size());
    const int longueur = ::MultiByteToWideChar(page, 0, texte.data(), taille, nullptr, 0);
    std::wstring large(static_cast<std::size_t>(longueur > 0 ? longueur : 0), L'\0');
    if (longueur > 0) {
        ::MultiByteToWideChar(page, 0, texte.data(), taille, large.data(), longueur);
    }
    return large;
}

// flags: WC_NO_BEST_FIT_CHARS for the ANSI page, so that a character the page
// lacks becomes its default character ('?') instead of a look-alike (Ā → A).
std::string Utf16VersPage(UINT page, DWORD flags, const std::wstring& large) {
    if (large.empty()) {
        return {};
    }
    const int taille = static_cast<int>(large.size());
    const int longueur = ::WideCharToMultiByte(page, flags, large.data(), taille, nullptr, 0, nullptr, nullptr);
    std::string texte(static_cast<std::size_t>(longueur > 0 ? longueur : 0), '\0');
    if (longueur > 0) {
        ::WideCharToMultiByte(page, flags, large.data(), taille, texte.data(), longueur, nullptr, nullptr);
    }
    return texte;
}

} // namespace

bool SessionEnUtf8() {
    return PageAnsi() == CP_UTF8;
}

std::string NomJeuSession() {
    return SessionEnUtf8() ? std::string("UTF-8") : "CP" + std::to_string(PageAnsi());
}

std::string VersJeuSession(const std::string& utf8) {
    // Bytes outside UTF-8 first become '?' themselves: MultiByteToWideChar
    // would make them U+FFFD, which a UTF-8 page would then keep.
    const std::string propre = RemplacerOctetsInvalides(utf8, "?");
    if (SessionEnUtf8()) {
        return propre;
    }
    return Utf16VersPage(CP_ACP, WC_NO_BEST_FIT_CHARS, PageVersUtf16(CP_UTF8, propre));
}

std::string DepuisJeuSession(const std::string& octets) {
    if (SessionEnUtf8()) {
        return RemplacerOctetsInvalides(octets, kRemplacementUtf8);
    }
    return Utf16VersPage(CP_UTF8, 0, PageVersUtf16(CP_ACP, octets));
}
