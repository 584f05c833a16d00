#include "AccesFichier.h"

#include "ArretEcriture.h"
#include "CopieSauvegarde.h"
#include "Echec.h"
#include "ErreurWindows.h"
#include "PrimitivesFichier.h"
#include "TemporaireVoisin.h"
#include "Utf16Windows.h"

#include <windows.h>

namespace {

// How a folder, a pipe or a device in place of the file is refused here. The
// system's text for this code would mislead; ours is given instead.
constexpr DWORD kPasUnFichierOrdinaire = ERROR_BAD_FILE_TYPE;

[[noreturn]] void Echouer(const std::string& chemin, DWORD erreur) {
    throw Echec(MessageEcritureImpossible(chemin, static_cast<int>(erreur)));
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

DWORD EcrireTout(HANDLE h, std::string_view octets) {
    while (!octets.empty()) {
        const std::size_t morceau = OctetsPermis(octets.size() > 0x40000000u ? 0x40000000u : octets.size());
        DWORD ecrits = 0;
        if (!WriteFile(h, octets.data(), static_cast<DWORD>(morceau), &ecrits, nullptr)) {
            return GetLastError();
        }
        CompterOctetsEcrits(ecrits);
        octets.remove_prefix(ecrits);
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
std::wstring CibleFinaleW(const std::wstring& chemin) {
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

// The folder part of a path, without its trailing separator.
std::wstring DossierDe(const std::wstring& chemin) {
    const std::wstring::size_type barre = chemin.find_last_of(L"\\/");
    return barre == std::wstring::npos ? std::wstring(L".") : chemin.substr(0, barre);
}

// Removes what a killed write of ours left beside nom in dossier: a file
// under our own temporary name that no process holds open. A write under way
// holds its file open without sharing, so the opening below fails on it.
void OterTemporairesLaisses(const std::wstring& dossier, const std::string& nom) {
    WIN32_FIND_DATAW trouve{};
    const HANDLE recherche = FindFirstFileW((dossier + L"\\.*").c_str(), &trouve);
    if (recherche == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if ((trouve.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
            !EstTemporaireVoisin(nom, DepuisUtf16(trouve.cFileName))) {
            continue;
        }
        const HANDLE laisse = CreateFileW((dossier + L"\\" + trouve.cFileName).c_str(), GENERIC_READ | DELETE, 0,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (laisse != INVALID_HANDLE_VALUE) {
            CloseHandle(laisse);
        }
    } while (FindNextFileW(recherche, &trouve));
    FindClose(recherche);
}

// A new file under a temporary name of ours beside nom, opened for writing
// and shared with nobody; INVALID_HANDLE_VALUE with the last error set.
HANDLE CreerTemporaire(const std::wstring& dossier, const std::string& nom, std::wstring& temporaire) {
    for (int essai = 0; essai < 100; ++essai) {
        temporaire = dossier + L"\\" + VersUtf16(NomTemporaireVoisin(nom));
        const HANDLE h =
            CreateFileW(temporaire.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE ||
            (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)) {
            if (h == INVALID_HANDLE_VALUE) {
                temporaire.clear();
            }
            return h;
        }
    }
    temporaire.clear();
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
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

std::string CibleFinale(const std::string& chemin) {
    const std::wstring large = VersUtf16(chemin);
    if (GetFileAttributesW(large.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    return DepuisUtf16(CibleFinaleW(large));
}

namespace {

// The volume and file index of the file a handle is open on; "" when the
// system cannot say.
std::string IdentiteDe(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION informations{};
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &informations)) {
        return {};
    }
    return std::to_string(informations.dwVolumeSerialNumber) + ":" + std::to_string(informations.nFileIndexHigh) + ":" +
           std::to_string(informations.nFileIndexLow);
}

} // namespace

std::string IdentiteFichier(const std::string& cible) {
    Poignee fichier;
    fichier.h = CreateFileW(VersUtf16(cible).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return IdentiteDe(fichier.h);
}

void EcrireDepuis(const std::string& chemin, const std::string& cible, std::size_t debut, const std::string& octets) {
    // Through the file's own handle, so its attributes and security stay.
    Poignee fichier;
    fichier.h = CreateFileW(VersUtf16(cible).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
    DWORD erreur =
        PlacerEn(fichier.h, debut) ? EcrireTout(fichier.h, std::string_view(octets).substr(debut)) : GetLastError();
    if (erreur == ERROR_SUCCESS && (!PlacerEn(fichier.h, octets.size()) || !SetEndOfFile(fichier.h))) {
        erreur = GetLastError();
    }
    erreur = FinirEcriture(fichier, erreur);
    if (erreur != ERROR_SUCCESS) {
        Echouer(chemin, erreur);
    }
}

int EcrireCopie(const std::string& fichier, std::initializer_list<std::string_view> morceaux) {
    Poignee copie;
    copie.h = CreateFileW(VersUtf16(fichier).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    if (copie.h == INVALID_HANDLE_VALUE) {
        return static_cast<int>(GetLastError());
    }
    DWORD erreur = ERROR_SUCCESS;
    for (const std::string_view morceau : morceaux) {
        if (erreur == ERROR_SUCCESS) {
            erreur = EcrireTout(copie.h, morceau);
        }
    }
    // The folder's entry needs no flush of its own: NTFS journals it.
    return static_cast<int>(FinirEcriture(copie, erreur));
}

void SupprimerFichier(const std::string& fichier) {
    DeleteFileW(VersUtf16(fichier).c_str());
}

std::string DossierCopies(bool creer) {
    // The user's local application data, which outlives a restart; the
    // temporary folder where it is not set.
    std::wstring base(MAX_PATH + 1, L'\0');
    DWORD longueur = GetEnvironmentVariableW(L"LOCALAPPDATA", base.data(), static_cast<DWORD>(base.size()));
    if (longueur == 0 || longueur >= base.size()) {
        longueur = GetTempPathW(static_cast<DWORD>(base.size()), base.data());
        if (longueur == 0 || longueur >= base.size()) {
            return {};
        }
    }
    base.resize(longueur);
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) {
        base.pop_back();
    }
    const std::wstring dossier = base + L"\\Quilvarest\\copies-en-cours";
    if (creer) {
        CreateDirectoryW(base.c_str(), nullptr);
        CreateDirectoryW((base + L"\\Quilvarest").c_str(), nullptr);
        CreateDirectoryW(dossier.c_str(), nullptr);
    }
    const DWORD attributs = GetFileAttributesW(dossier.c_str());
    if (attributs == INVALID_FILE_ATTRIBUTES || (attributs & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return {};
    }
    return DepuisUtf16(dossier) + "\\";
}

void RemplacerFichier(const std::string& chemin, const std::string& octets) {
    const std::wstring cible = CibleFinaleW(VersUtf16(chemin));
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
            EcrireSurPlaceAvecCopie(chemin, DepuisUtf16(cible), octets);
            return;
        }
    }

    const std::wstring dossier = DossierDe(cible);
    const std::string nom = DepuisUtf16(cible.substr(dossier.size() + 1));
    OterTemporairesLaisses(dossier, nom);
    Poignee temporaire;
    temporaire.h = CreerTemporaire(dossier, nom, temporaire.temporaire);
    if (temporaire.h == INVALID_HANDLE_VALUE) {
        const DWORD erreur = GetLastError();
        if (erreur == ERROR_ACCESS_DENIED) {
            EcrireSurPlaceAvecCopie(chemin, DepuisUtf16(cible), octets);
            return;
        }
        Echouer(chemin, erreur);
    }
    const DWORD erreur = FinirEcriture(temporaire, EcrireTout(temporaire.h, octets));
    if (erreur != ERROR_SUCCESS) {
        Echouer(chemin, erreur);
    }
    // ReplaceFileW keeps the original's attributes, security and streams; a
    // file system that cannot do it still takes a plain replacing move.
    if (!ReplaceFileW(cible.c_str(), temporaire.temporaire.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                      nullptr) &&
        !MoveFileExW(temporaire.temporaire.c_str(), cible.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Echouer(chemin, GetLastError());
    }
    temporaire.temporaire.clear();
}

std::intptr_t OuvrirPourVerrou(const std::string& chemin, int& erreur) {
    // Every sharing allowed: the caller may read the file, and ReplaceFileW
    // may replace it, while the lock is held.
    const HANDLE h =
        CreateFileW(VersUtf16(chemin).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        erreur = static_cast<int>(GetLastError());
        const DWORD attributs = GetFileAttributesW(VersUtf16(chemin).c_str());
        if (attributs != INVALID_FILE_ATTRIBUTES && (attributs & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            erreur = static_cast<int>(kPasUnFichierOrdinaire);
        }
        return kAucunePoignee;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        erreur = static_cast<int>(kPasUnFichierOrdinaire);
        return kAucunePoignee;
    }
    return reinterpret_cast<std::intptr_t>(h);
}

bool PrendreVerrou(std::intptr_t poignee) {
    // A byte range lock is mandatory on Windows, refusing reads of what it
    // covers: one byte at 1 GiB, past any content, as SQLite does.
    OVERLAPPED position{};
    position.Offset = 0x40000000;
    return LockFileEx(reinterpret_cast<HANDLE>(poignee), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &position) != FALSE ||
           GetLastError() != ERROR_LOCK_VIOLATION;
}

bool DesigneEncore(std::intptr_t poignee, const std::string& chemin) {
    const std::string ouvert = IdentiteDe(reinterpret_cast<HANDLE>(poignee));
    return !ouvert.empty() && ouvert == IdentiteFichier(chemin);
}

void FermerPoignee(std::intptr_t poignee) {
    if (poignee != kAucunePoignee) {
        CloseHandle(reinterpret_cast<HANDLE>(poignee));
    }
}
