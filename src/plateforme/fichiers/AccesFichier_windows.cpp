#include "PrimitivesFichier.h"

#include "ErreurWindows.h"
#include "Utf16Windows.h"

#include <windows.h>

// The file layer's system calls on Windows (PrimitivesFichier.h), all
// wide-character.

namespace {

constexpr DWORD kPartageTotal = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE H(Poignee poignee) {
    return reinterpret_cast<HANDLE>(poignee);
}

Poignee P(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? kAucunePoignee : reinterpret_cast<Poignee>(h);
}

int Code(bool reussi) {
    return reussi ? 0 : static_cast<int>(GetLastError());
}

bool PlacerEn(HANDLE h, std::uint64_t position) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(h, distance, nullptr, FILE_BEGIN) != 0;
}

std::wstring Joindre(const std::string& dossier, const std::string& nom) {
    return VersUtf16(dossier.empty() ? nom : dossier + "\\" + nom);
}

} // namespace

const int kPasUnFichierOrdinaire = ERROR_BAD_FILE_TYPE;
const char kSeparateur = '\\';

std::string TexteSysteme(int erreur) {
    return TexteErreurWindows(static_cast<DWORD>(erreur));
}

bool NomPris(int erreur) {
    return erreur == ERROR_FILE_EXISTS || erreur == ERROR_ALREADY_EXISTS;
}

bool NomRefuse(int erreur) {
    return erreur == ERROR_ACCESS_DENIED || erreur == ERROR_WRITE_PROTECT;
}

bool PlaceManquante(int erreur) {
    return erreur == ERROR_DISK_FULL || erreur == ERROR_HANDLE_DISK_FULL;
}

std::string CibleFinale(const std::string& chemin) {
    const HANDLE h = CreateFileW(VersUtf16(chemin).c_str(), 0, kPartageTotal, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::wstring cible(MAX_PATH, L'\0');
    DWORD longueur = GetFinalPathNameByHandleW(h, cible.data(), static_cast<DWORD>(cible.size()), 0);
    if (longueur >= cible.size()) {
        cible.resize(longueur + 1);
        longueur = GetFinalPathNameByHandleW(h, cible.data(), static_cast<DWORD>(cible.size()), 0);
    }
    CloseHandle(h);
    // The path itself where the system cannot say: the open that follows
    // reports the real failure.
    if (longueur == 0 || longueur >= cible.size()) {
        return chemin;
    }
    cible.resize(longueur);
    return DepuisUtf16(cible);
}

Poignee OuvrirFichier(const std::string& chemin, bool ecriture, int& erreur) {
    // Shared every way: the caller may hold the file open while it waits,
    // and ReplaceFileW may replace it while its lock is held.
    const std::wstring large = VersUtf16(chemin);
    const HANDLE h = CreateFileW(large.c_str(), GENERIC_READ | (ecriture ? GENERIC_WRITE : 0), kPartageTotal, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION informations{};
    if (h == INVALID_HANDLE_VALUE) {
        erreur = static_cast<int>(GetLastError());
        return kAucunePoignee;
    }
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &informations) ||
        (informations.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(h);
        erreur = kPasUnFichierOrdinaire;
        return kAucunePoignee;
    }
    return P(h);
}

int EcriturePermise(const std::string& cible) {
    // Replacing would succeed over a read-only file: the mark is the
    // caller's word that the file must not change.
    const DWORD attributs = GetFileAttributesW(VersUtf16(cible).c_str());
    if (attributs == INVALID_FILE_ATTRIBUTES) {
        return static_cast<int>(GetLastError());
    }
    return (attributs & FILE_ATTRIBUTE_READONLY) != 0 ? ERROR_ACCESS_DENIED : 0;
}

int EtatDe(Poignee poignee, EtatFichier& etat) {
    BY_HANDLE_FILE_INFORMATION i{};
    if (!GetFileInformationByHandle(H(poignee), &i)) {
        return static_cast<int>(GetLastError());
    }
    etat.genre = (i.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Genre::Autre
                 : (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? Genre::Dossier
                                                                          : Genre::Ordinaire;
    etat.identite = std::to_string(i.dwVolumeSerialNumber) + ":" + std::to_string(i.nFileIndexHigh) + ":" +
                    std::to_string(i.nFileIndexLow);
    etat.taille = (static_cast<std::uint64_t>(i.nFileSizeHigh) << 32) | i.nFileSizeLow;
    etat.modification = static_cast<std::int64_t>((static_cast<std::uint64_t>(i.ftLastWriteTime.dwHighDateTime) << 32) |
                                                  i.ftLastWriteTime.dwLowDateTime);
    etat.liens = i.nNumberOfLinks;
    // The user's local application data and temporary folder are the
    // user's own: reparse points are what is looked for there.
    etat.aNous = true;
    etat.ouvertAuxAutres = false;
    return 0;
}

int LireMorceau(Poignee poignee, char* tampon, std::size_t taille, std::size_t& lus) {
    DWORD n = 0;
    const bool lu = ReadFile(H(poignee), tampon, static_cast<DWORD>(taille), &n, nullptr) != 0;
    lus = n;
    return Code(lu);
}

int EcrireMorceau(Poignee poignee, const char* octets, std::size_t taille, std::uint64_t position,
                  std::size_t& ecrits) {
    DWORD n = 0;
    const bool ecrit =
        PlacerEn(H(poignee), position) && WriteFile(H(poignee), octets, static_cast<DWORD>(taille), &n, nullptr) != 0;
    ecrits = n;
    return Code(ecrit);
}

int Reserver(Poignee poignee, std::uint64_t taille) {
    LARGE_INTEGER actuelle{};
    if (!GetFileSizeEx(H(poignee), &actuelle) || static_cast<std::uint64_t>(actuelle.QuadPart) >= taille) {
        return 0;
    }
    return FixerTaille(poignee, taille);
}

int FixerTaille(Poignee poignee, std::uint64_t taille) {
    return Code(PlacerEn(H(poignee), taille) && SetEndOfFile(H(poignee)));
}

int Synchroniser(Poignee poignee) {
    return Code(FlushFileBuffers(H(poignee)) != 0);
}

int FermerPoignee(Poignee poignee) {
    return poignee == kAucunePoignee ? 0 : Code(CloseHandle(H(poignee)) != 0);
}

bool PrendreVerrou(Poignee poignee) {
    // One byte at 1 GiB, past any content, as SQLite does: a caller reading
    // the file is never refused.
    OVERLAPPED position{};
    position.Offset = 0x40000000;
    return LockFileEx(H(poignee), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &position) != FALSE ||
           GetLastError() != ERROR_LOCK_VIOLATION;
}

bool DesigneEncore(Poignee poignee, const std::string& chemin) {
    int erreur = 0;
    const Poignee nomme = OuvrirFichier(chemin, false, erreur);
    EtatFichier ouvert;
    EtatFichier autre;
    const bool meme = nomme != kAucunePoignee && EtatDe(poignee, ouvert) == 0 && EtatDe(nomme, autre) == 0 &&
                      ouvert.identite == autre.identite;
    FermerPoignee(nomme);
    return meme;
}

Poignee CreerSansNom(const std::string&) {
    return kAucunePoignee;
}

int CreerSousNom(const std::string& chemin, Poignee, Poignee& poignee) {
    // Shared with nobody while it is written: another writer's sweep of
    // leftovers cannot open it.
    poignee = P(CreateFileW(VersUtf16(chemin).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return Code(poignee != kAucunePoignee);
}

int ReprendreAttributs(Poignee, Poignee) {
    return 0;
}

int Substituer(Poignee poignee, const std::string& temporaire, const std::string& cible) {
    FermerPoignee(poignee);
    // ReplaceFileW keeps the original's attributes, security and streams; a
    // file system that cannot do it still takes a plain replacing move.
    const std::wstring source = VersUtf16(temporaire);
    const std::wstring destination = VersUtf16(cible);
    return Code(
        ReplaceFileW(destination.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ||
        MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

std::vector<std::string> NomsDans(const std::string& dossier) {
    std::vector<std::string> noms;
    WIN32_FIND_DATAW trouve{};
    const HANDLE recherche = FindFirstFileW(Joindre(dossier, "*").c_str(), &trouve);
    if (recherche == INVALID_HANDLE_VALUE) {
        return noms;
    }
    do {
        if ((trouve.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
            noms.push_back(DepuisUtf16(trouve.cFileName));
        }
    } while (FindNextFileW(recherche, &trouve));
    FindClose(recherche);
    return noms;
}

void OterSiLibre(const std::string& dossier, const std::string& nom) {
    // A write under way holds its file open without sharing: this opening
    // then fails, and the file stays.
    const HANDLE laisse = CreateFileW(Joindre(dossier, nom).c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (laisse != INVALID_HANDLE_VALUE) {
        CloseHandle(laisse);
    }
}

int SupprimerChemin(const std::string& chemin) {
    return Code(DeleteFileW(VersUtf16(chemin).c_str()) != 0);
}

void SynchroniserDossier(const std::string&) {
    // NTFS journals the folder's entries: nothing to flush.
}

std::vector<Racine> RacinesCopies() {
    // The user's local application data outlives a restart; the temporary
    // folder is for a user without it, or when it is full.
    std::vector<Racine> racines;
    wchar_t tampon[MAX_PATH + 1];
    DWORD longueur = GetEnvironmentVariableW(L"LOCALAPPDATA", tampon, MAX_PATH + 1);
    if (longueur > 0 && longueur <= MAX_PATH) {
        racines.push_back({DepuisUtf16(std::wstring(tampon, longueur)), true, {"Quilvarest", "copies-en-cours"}});
    }
    longueur = GetTempPathW(MAX_PATH + 1, tampon);
    while (longueur > 0 && longueur <= MAX_PATH && (tampon[longueur - 1] == L'\\' || tampon[longueur - 1] == L'/')) {
        --longueur;
    }
    if (longueur > 0 && longueur <= MAX_PATH) {
        racines.push_back({DepuisUtf16(std::wstring(tampon, longueur)), true, {"Quilvarest-copies"}});
    }
    return racines;
}

Poignee OuvrirDossier(Poignee, const std::string& cheminParent, const std::string& nom, bool creer, int& erreur) {
    const std::wstring chemin = Joindre(cheminParent, nom);
    if (creer) {
        CreateDirectoryW(chemin.c_str(), nullptr);
    }
    // Not shared for deletion: the folder cannot be renamed or replaced by
    // a link while we hold it. A reparse point is opened as itself, and
    // then refused by its type.
    const Poignee dossier =
        P(CreateFileW(chemin.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    erreur = Code(dossier != kAucunePoignee);
    return dossier;
}

Poignee OuvrirDans(Poignee, const std::string& cheminDossier, const std::string& nom, bool creer, int& erreur) {
    const Poignee fichier =
        P(CreateFileW(Joindre(cheminDossier, nom).c_str(), creer ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                      creer ? 0 : kPartageTotal, nullptr, creer ? CREATE_NEW : OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    erreur = Code(fichier != kAucunePoignee);
    return fichier;
}

void SupprimerDans(Poignee, const std::string& cheminDossier, const std::string& nom) {
    DeleteFileW(Joindre(cheminDossier, nom).c_str());
}
