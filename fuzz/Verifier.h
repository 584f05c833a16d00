#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Shared by the fuzz targets. A failed check prints what was expected and
// aborts: libFuzzer then keeps the input as a crash, and the corpus replay
// under CTest fails.

// bytes as printable text: ASCII as is, every other byte as \xHH.
inline std::string Lisible(const std::string& octets) {
    static const char chiffres[] = "0123456789ABCDEF";
    std::string texte;
    for (const char c : octets) {
        const auto octet = static_cast<unsigned char>(c);
        if (octet >= 0x20 && octet < 0x7F && octet != '\\') {
            texte += c;
        } else {
            texte += "\\x";
            texte += chiffres[octet >> 4];
            texte += chiffres[octet & 0x0F];
        }
    }
    return texte;
}

[[noreturn]] inline void Echouer(const std::string& message) {
    std::fprintf(stderr, "\n*** Vérification échouée : %s\n", message.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void Verifier(bool condition, const std::string& message) {
    if (!condition) {
        Echouer(message);
    }
}
