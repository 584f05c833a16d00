// appelant QUILVAREST INI CP VILLE
//
// A calling application written as the ones Quilvarest serves are: ANSI
// strings and the Windows profile API. INI, CP and VILLE are given as the hex
// of their bytes in the ANSI code page, as such a caller holds them, so that
// no conversion of the command line stands between the test and the bytes.
//   1. writes ZeruzuvoCp = CP and ZeruzuvoVille = VILLE into section
//      [Quilvarest] of INI with WritePrivateProfileStringA; INI must not exist
//      yet: the profile API creates it, in the ANSI code page, as callers do;
//   2. starts QUILVAREST with the path of INI as its one argument
//      (CreateProcessW) and waits for it to end;
//   3. reads the keys of the section, then Cp, Ville and Erreur, with
//      GetPrivateProfileStringA.
// Prints, one per line:
//   acp <the ANSI code page, GetACP()>
//   statut <Quilvarest's exit status>
//   cles <the keys of [Quilvarest] in file order, separated by blanks>
//   Cp <hex of its value, or "-" when the key is absent>; then Ville, Erreur
// Exit status 0 once everything is printed; 1, with a message on the
// standard error, when a step failed.

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

const char kSection[] = "Quilvarest";

std::optional<std::string> DepuisHex(const std::string& hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string octets;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned valeur = 0;
        if (std::sscanf(hex.c_str() + i, "%2x", &valeur) != 1) {
            return std::nullopt;
        }
        octets.push_back(static_cast<char>(valeur));
    }
    return octets;
}

std::string VersHex(const std::string& octets) {
    std::string hex;
    char paire[3];
    for (unsigned char octet : octets) {
        std::snprintf(paire, sizeof paire, "%02x", octet);
        hex += paire;
    }
    return hex;
}

// What CreateProcessA would do with the caller's ANSI path.
std::wstring DepuisAnsi(const std::string& texte) {
    const int taille = MultiByteToWideChar(CP_ACP, 0, texte.data(), static_cast<int>(texte.size()), nullptr, 0);
    std::wstring large(static_cast<std::size_t>(taille), L'\0');
    MultiByteToWideChar(CP_ACP, 0, texte.data(), static_cast<int>(texte.size()), large.data(), taille);
    return large;
}

int Echec(const char* etape) {
    std::fprintf(stderr, "appelant: %s failed (error %lu)\n", etape, GetLastError());
    return 1;
}

// Starts Quilvarest on the file and returns its exit status. The process
// goes into a job that ends it should this caller be ended first (a test
// that timed out), so that no dialog outlives its caller.
std::optional<DWORD> Executer(const std::string& quilvarest, const std::string& ini) {
    const std::wstring programme = DepuisAnsi(quilvarest);
    std::wstring ligne = L"\"" + programme + L"\" \"" + DepuisAnsi(ini) + L"\"";
    STARTUPINFOW demarrage{};
    demarrage.cb = sizeof demarrage;
    PROCESS_INFORMATION processus{};
    if (!CreateProcessW(programme.c_str(), ligne.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &demarrage, &processus)) {
        return std::nullopt;
    }
    HANDLE travail = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limites{};
    limites.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (travail != nullptr) {
        SetInformationJobObject(travail, JobObjectExtendedLimitInformation, &limites, sizeof limites);
        AssignProcessToJobObject(travail, processus.hProcess);
    }
    ResumeThread(processus.hThread);
    WaitForSingleObject(processus.hProcess, INFINITE);
    DWORD statut = 0;
    const bool lu = GetExitCodeProcess(processus.hProcess, &statut);
    CloseHandle(processus.hThread);
    CloseHandle(processus.hProcess);
    if (travail != nullptr) {
        CloseHandle(travail);
    }
    return lu ? std::optional<DWORD>(statut) : std::nullopt;
}

// The keys of the section, as the profile API lists them: each ended by a
// NUL, the list by a second one.
std::vector<std::string> Cles(const std::string& ini) {
    std::vector<char> liste(4096);
    const DWORD taille =
        GetPrivateProfileStringA(kSection, nullptr, "", liste.data(), static_cast<DWORD>(liste.size()), ini.c_str());
    std::vector<std::string> cles;
    for (DWORD debut = 0; debut < taille;) {
        cles.emplace_back(liste.data() + debut);
        debut += static_cast<DWORD>(cles.back().size()) + 1;
    }
    return cles;
}

std::string Valeur(const std::string& ini, const char* cle) {
    char valeur[1024];
    const DWORD taille = GetPrivateProfileStringA(kSection, cle, "", valeur, sizeof valeur, ini.c_str());
    return std::string(valeur, taille);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: appelant QUILVAREST INI_HEX CP_HEX VILLE_HEX\n");
        return 1;
    }
    const std::optional<std::string> ini = DepuisHex(argv[2]);
    const std::optional<std::string> cp = DepuisHex(argv[3]);
    const std::optional<std::string> ville = DepuisHex(argv[4]);
    if (!ini || !cp || !ville) {
        std::fprintf(stderr, "appelant: INI, CP and VILLE are given in hex\n");
        return 1;
    }
    std::printf("acp %u\n", GetACP());

    if (GetFileAttributesA(ini->c_str()) != INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "appelant: %s already exists\n", ini->c_str());
        return 1;
    }
    if (!WritePrivateProfileStringA(kSection, "ZeruzuvoCp", cp->c_str(), ini->c_str()) ||
        !WritePrivateProfileStringA(kSection, "ZeruzuvoVille", ville->c_str(), ini->c_str())) {
        return Echec("WritePrivateProfileStringA");
    }

    const std::optional<DWORD> statut = Executer(argv[1], *ini);
    if (!statut) {
        return Echec("starting Quilvarest");
    }
    std::printf("statut %lu\n", *statut);

    const std::vector<std::string> cles = Cles(*ini);
    std::printf("cles");
    for (const std::string& cle : cles) {
        std::printf(" %s", cle.c_str());
    }
    std::printf("\n");
    for (const char* cle : {"Cp", "Ville", "Erreur"}) {
        bool presente = false;
        for (const std::string& existante : cles) {
            presente = presente || lstrcmpiA(existante.c_str(), cle) == 0;
        }
        std::printf("%s %s\n", cle, presente ? VersHex(Valeur(*ini, cle)).c_str() : "-");
    }
    return 0;
}
