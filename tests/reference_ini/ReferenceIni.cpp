// The reference the INI editor is compared with: the Windows profile
// functions themselves, in a small Windows program run under Wine by
// test_reference_ini. It reads a list of commands and writes one result line
// per command, every text in hexadecimal so that no byte is lost or
// reinterpreted on the way.
//
//   ReferenceIni.exe <commands file> <results file>
//
// The first result line is "page <GetACP()>". Then, for each command line
// (each field 'x' followed by its bytes in hexadecimal):
//   A <file> <section> <key>   GetPrivateProfileStringA; section and key are
//                              passed as the bytes given
//   W <file> <section> <key>   GetPrivateProfileStringW; section and key are
//                              UTF-8, turned into UTF-16
//   E <file> <section> <key> <value>   WritePrivateProfileStringA, bytes as given
//   F <file> <section> <key> <value>   WritePrivateProfileStringW, UTF-8 as above
// <file> is a Windows path, in UTF-8 like every field. A read gives "=" and
// the value's bytes (A) or its UTF-16LE code units, low byte first (W), or
// "-" when the function gave its default (absent key); a write gives "ok" or
// "echec <GetLastError()>".

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Room for the longest value a generated file holds, and more.
constexpr DWORD kTailleTampon = 1 << 16;

// A field: 'x' then the bytes in hexadecimal, so that an empty one still
// stands between two blanks.
std::string DepuisHex(const std::string& champ) {
    std::string octets;
    for (std::size_t i = 1; i + 1 < champ.size(); i += 2) {
        octets += static_cast<char>(std::stoi(champ.substr(i, 2), nullptr, 16));
    }
    return octets;
}

std::string VersHex(const void* donnees, std::size_t taille) {
    static const char chiffres[] = "0123456789abcdef";
    const auto* octets = static_cast<const unsigned char*>(donnees);
    std::string hex;
    for (std::size_t i = 0; i < taille; ++i) {
        hex += chiffres[octets[i] >> 4];
        hex += chiffres[octets[i] & 0x0F];
    }
    return hex;
}

std::wstring Large(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int taille = static_cast<int>(utf8.size());
    const int longueur = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), taille, nullptr, 0);
    std::wstring large(static_cast<std::size_t>(longueur), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), taille, large.data(), longueur);
    return large;
}

// The functions give their default for an absent key. Two defaults that no
// value could equal both tell an absent key from a value equal to one.
std::string LireA(const std::string& fichier, const std::string& section, const std::string& cle) {
    std::vector<char> tampon(kTailleTampon);
    std::string lus[2];
    const char* defauts[2] = {"\x01", "\x02"};
    for (int essai = 0; essai < 2; ++essai) {
        const DWORD n = GetPrivateProfileStringA(section.c_str(), cle.c_str(), defauts[essai], tampon.data(),
                                                 kTailleTampon, fichier.c_str());
        lus[essai].assign(tampon.data(), n);
        if (lus[essai] != defauts[essai]) {
            return "=" + VersHex(lus[essai].data(), lus[essai].size());
        }
    }
    return "-";
}

std::string LireW(const std::string& fichier, const std::string& section, const std::string& cle) {
    std::vector<wchar_t> tampon(kTailleTampon);
    const std::wstring fichierW = Large(fichier);
    const std::wstring sectionW = Large(section);
    const std::wstring cleW = Large(cle);
    const wchar_t* defauts[2] = {L"\x01", L"\x02"};
    for (int essai = 0; essai < 2; ++essai) {
        const DWORD n = GetPrivateProfileStringW(sectionW.c_str(), cleW.c_str(), defauts[essai], tampon.data(),
                                                 kTailleTampon, fichierW.c_str());
        const std::wstring lu(tampon.data(), n);
        if (lu != defauts[essai]) {
            return "=" + VersHex(lu.data(), lu.size() * sizeof(wchar_t));
        }
    }
    return "-";
}

std::string Resultat(BOOL reussi) {
    return reussi ? std::string("ok") : "echec " + std::to_string(GetLastError());
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "Usage : ReferenceIni.exe <commandes> <resultats>\n");
        return 2;
    }
    std::ifstream commandes(argv[1], std::ios::binary);
    std::ofstream resultats(argv[2], std::ios::binary | std::ios::trunc);
    if (!commandes || !resultats) {
        std::fprintf(stderr, "Fichiers de commandes ou de résultats inaccessibles\n");
        return 2;
    }
    resultats << "page " << GetACP() << '\n';
    std::string ligne;
    while (std::getline(commandes, ligne)) {
        std::istringstream champs(ligne);
        std::string genre, fichier, section, cle, valeur;
        champs >> genre >> fichier >> section >> cle >> valeur;
        fichier = DepuisHex(fichier);
        section = DepuisHex(section);
        cle = DepuisHex(cle);
        valeur = DepuisHex(valeur);
        if (genre == "A") {
            resultats << LireA(fichier, section, cle) << '\n';
        } else if (genre == "W") {
            resultats << LireW(fichier, section, cle) << '\n';
        } else if (genre == "E") {
            resultats << Resultat(
                             WritePrivateProfileStringA(section.c_str(), cle.c_str(), valeur.c_str(), fichier.c_str()))
                      << '\n';
        } else if (genre == "F") {
            resultats << Resultat(WritePrivateProfileStringW(Large(section).c_str(), Large(cle).c_str(),
                                                             Large(valeur).c_str(), Large(fichier).c_str()))
                      << '\n';
        } else {
            resultats << "inconnue\n";
        }
    }
    return resultats ? 0 : 1;
}
