#include "AccesFichier.h"

#include "Erreur.h"
#include "ErreurWindows.h"
#include "Utf16Windows.h"

#include <windows.h>

namespace {

// How a folder, a pipe or a device in place of the file is refused here. The
// system's text for this code would mislead; ours is given instead.
constexpr DWORD kPasUnFichierOrdinaire = ERROR_BAD_FILE_TYPE;

[[noreturn]] void Echouer(const std::string& chemin, DWORD erreur) {
    throw Erreur(MessageEcritureImpossible(chemin, static_cast<int>(erreur)));
}

// A handle closed on every exit; the temporary file it names, if any, is also
// deleted unless it has taken the original's place (the name cleared).
struct Poignee {
    HANDLE h = INVALID_HANDLE_VALUE;
    std::wstring temporaire;

    ~Poignee() {
        Fermer();
        if (!temporaire.empty()) {
            DeleteFileW(temporaire.c_str());
        }
    }
    bool Fermer() {
        const bool ferme = h == INVALID_HANDLE_VALUE || CloseHandle(h) != 0;
        h = INVALID_HANDLE_VALUE;
        return ferme;
    }
};

DWORD EcrireTout(HANDLE h, const std::string& octets) {
    const char* donnees = octets.data();
    std::size_t reste = octets.size();
    while (reste > 0) {
        const DWORD morceau = reste > 0x40000000u ? 0x40000000u : static_cast<DWORD>(reste);
        DWORD ecrits = 0;
        if (!WriteFile(h, donnees, morceau, &ecrits, nullptr)) {
            return GetLastError();
        }
        donnees += ecrits;
        reste -= ecrits;
    }
    return ERROR_SUCCESS;
}

bool PlacerEn(HANDLE h, std::size_t position) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(h, distance, nullptr, FILE_BEGIN) != 0;
}

// Flushes what was written to disk, then closes the handle, where a lost
// write may still show. Returns the first failure's code, starting from the
// one of the writes before (ERROR_SUCCESS when they went well).
DWORD FinirEcriture(Poignee& fichier, DWORD erreur) {
    if (erreur == ERROR_SUCCESS && !FlushFileBuffers(fichier.h)) {
        erreur = GetLastError();
    }
    if (erreur == ERROR_SUCCESS && !fichier.Fermer()) {
        erreur = GetLastError();
    }
    return erreur;
}

// The final target of any link, as the system resolves it; the path itself
// where it cannot say (the open below then reports the real failure).
std::wstring CibleFinale(const std::wstring& chemin) {
    Poignee fichier;
    fichier.h = CreateFileW(chemin.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (fichier.h == INVALID_HANDLE_VALUE) {
        return chemin;
    }
    std::wstring cible(MAX_PATH, L'\0');
    DWORD longueur = GetFinalPathNameByHandleW(fichier.h, cible.data(), static_cast<DWORD>(cible.size()), 0);
    if (longueur >= cible.size()) {
        cible.resize(longueur + 1);
        longueur = GetFinalPathNameByHandleW(fichier.h, cible.data(), static_cast<DWORD>(cible.size()), 0);
    }
    if (longueur == 0 || longueur >= cible.size()) {
        return chemin;
    }
    cible.resize(longueur);
    return cible;
}

// The fallback of a folder that refuses new files, and the way to write a
// file with several names: the file is rewritten through its own handle.
void EcrireSurPlace(const std::string& chemin, const std::wstring& cible, const std::string& octets) {
    Poignee fichier;
    fichier.h = CreateFileW(cible.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (fichier.h == INVALID_HANDLE_VALUE) {
        Echouer(chemin, GetLastError());
    }
    // Reserve the space first: a full disk then fails before the old content
    // is overwritten.
    LARGE_INTEGER taille{};
    if (GetFileSizeEx(fichier.h, &taille) && static_cast<std::size_t>(taille.QuadPart) < octets.size()) {
        if (!PlacerEn(fichier.h, octets.size()) || !SetEndOfFile(fichier.h)) {
            Echouer(chemin, GetLastError());
        }
    }
    DWORD erreur = PlacerEn(fichier.h, 0) ? EcrireTout(fichier.h, octets) : GetLastError();
    if (erreur == ERROR_SUCCESS && (!PlacerEn(fichier.h, octets.size()) || !SetEndOfFile(fichier.h))) {
        erreur = GetLastError();
    }
    erreur = FinirEcriture(fichier, erreur);
    if (erreur != ERROR_SUCCESS) {
        Echouer(chemin, erreur);
    }
}

} // namespace

std::string MessageEcritureImpossible(const std::string& chemin, int erreur) {
    const auto code = static_cast<DWORD>(erreur);
    return MessageEcritureImpossible(chemin, code == kPasUnFichierOrdinaire ? "ce n'est pas un fichier ordinaire"
                                                                            : TexteErreurWindows(code));
}

int LireFichierEntier(const std::string& chemin, std::string& octets) {
    Poignee fichier;
    // Shared every way: the caller may hold the file open while it waits.
    fichier.h =
        CreateFileW(VersUtf16(chemin).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (fichier.h == INVALID_HANDLE_VALUE) {
        return static_cast<int>(GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION informations{};
    if (GetFileType(fichier.h) != FILE_TYPE_DISK || !GetFileInformationByHandle(fichier.h, &informations) ||
        (informations.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return static_cast<int>(kPasUnFichierOrdinaire);
    }
    octets.clear();
    octets.reserve((static_cast<std::size_t>(informations.nFileSizeHigh) << 32) | informations.nFileSizeLow);
    char tampon[65536];
    for (;;) {
        DWORD lus = 0;
        if (!ReadFile(fichier.h, tampon, sizeof tampon, &lus, nullptr)) {
            return static_cast<int>(GetLastError());
        }
        if (lus == 0) {
            return 0;
        }
        octets.append(tampon, lus);
    }
}

void RemplacerFichier(const std::string& chemin, const std::string& octets) {
    const std::wstring cible = CibleFinale(VersUtf16(chemin));
    const DWORD attributs = GetFileAttributesW(cible.c_str());
    if (attributs == INVALID_FILE_ATTRIBUTES) {
        Echouer(chemin, GetLastError());
    }
    if ((attributs & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        Echouer(chemin, kPasUnFichierOrdinaire);
    }
    // Replacing would succeed over a read-only file: the mark is the
    // caller's word that the file must not change.
    if ((attributs & FILE_ATTRIBUTE_READONLY) != 0) {
        Echouer(chemin, ERROR_ACCESS_DENIED);
    }
    {
        Poignee fichier;
        fichier.h = CreateFileW(cible.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        BY_HANDLE_FILE_INFORMATION informations{};
        if (fichier.h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(fichier.h, &informations)) {
            Echouer(chemin, GetLastError());
        }
        if (GetFileType(fichier.h) != FILE_TYPE_DISK) {
            Echouer(chemin, kPasUnFichierOrdinaire);
        }
        // Another name of the same file would keep the old content.
        if (informations.nNumberOfLinks > 1) {
            fichier.Fermer();
            EcrireSurPlace(chemin, cible, octets);
            return;
        }
    }

    const std::wstring::size_type barre = cible.find_last_of(L"\\/");
    const std::wstring dossier = barre == std::wstring::npos ? std::wstring(L".") : cible.substr(0, barre);
    wchar_t nom[MAX_PATH + 1] = {};
    Poignee temporaire;
    // GetTempFileNameW creates the file, under a name of its own in the folder.
    if (GetTempFileNameW(dossier.c_str(), L"qvr", 0, nom) == 0) {
        const DWORD erreur = GetLastError();
        if (erreur == ERROR_ACCESS_DENIED) {
            EcrireSurPlace(chemin, cible, octets);
            return;
        }
        Echouer(chemin, erreur);
    }
    temporaire.temporaire = nom;
    temporaire.h = CreateFileW(nom, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD erreur = temporaire.h == INVALID_HANDLE_VALUE
                             ? GetLastError()
                             : FinirEcriture(temporaire, EcrireTout(temporaire.h, octets));
    if (erreur != ERROR_SUCCESS) {
        Echouer(chemin, erreur);
    }
    // ReplaceFileW keeps the original's attributes, security and streams; a
    // file system that cannot do it still takes a plain replacing move.
    if (!ReplaceFileW(cible.c_str(), nom, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) &&
        !MoveFileExW(nom, cible.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Echouer(chemin, GetLastError());
    }
    temporaire.temporaire.clear();
}
