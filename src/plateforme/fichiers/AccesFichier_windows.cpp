#include "PrimitivesFichier.h"

#include "Utf16Windows.h"

#include <windows.h>

#include <aclapi.h>

#include <algorithm>

// The file layer's system calls on Windows, wide-character.

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

Poignee Ouvert(HANDLE h, int& erreur) {
    erreur = Code(h != INVALID_HANDLE_VALUE);
    return P(h);
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

const char kSeparateur = '\\';

std::string TexteSysteme(int erreur) {
    wchar_t* texte = nullptr;
    const DWORD longueur =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(erreur), 0, reinterpret_cast<wchar_t*>(&texte), 0, nullptr);
    if (longueur == 0 || texte == nullptr) {
        return "erreur " + std::to_string(erreur);
    }
    std::wstring message(texte, longueur);
    LocalFree(texte);
    // Without the line break and full stop: the program's sentence has its own.
    while (!message.empty() && std::wstring(L"\r\n .").find(message.back()) != std::wstring::npos) {
        message.pop_back();
    }
    return DepuisUtf16(message);
}

bool NomRefuse(int erreur) {
    return erreur == ERROR_ACCESS_DENIED || erreur == ERROR_WRITE_PROTECT || erreur == ERROR_FILE_EXISTS ||
           erreur == ERROR_ALREADY_EXISTS;
}

bool PlaceManquante(int erreur) {
    return erreur == ERROR_DISK_FULL || erreur == ERROR_HANDLE_DISK_FULL;
}

std::string CheminDe(Poignee poignee) {
    std::wstring cible(32768, L'\0'); // the longest path the system takes
    const DWORD longueur = GetFinalPathNameByHandleW(H(poignee), cible.data(), static_cast<DWORD>(cible.size()), 0);
    return longueur == 0 || longueur >= cible.size() ? std::string() : DepuisUtf16(cible.substr(0, longueur));
}

Poignee RouvrirEnEcriture(Poignee poignee, int& erreur) {
    return Ouvert(ReOpenFile(H(poignee), GENERIC_READ | GENERIC_WRITE, kPartageTotal, 0), erreur);
}

Poignee OuvrirChemin(const std::string& chemin, bool ecriture, int& erreur) {
    // Shared every way: the caller may hold the file open while it waits, and
    // ReplaceFileW may replace it while its lock is held.
    const HANDLE h = CreateFileW(VersUtf16(chemin).c_str(), GENERIC_READ | (ecriture ? GENERIC_WRITE : 0),
                                 kPartageTotal, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const Poignee poignee = Ouvert(h, erreur);
    BY_HANDLE_FILE_INFORMATION i{};
    // The read-only mark is the caller's word that the file must not change,
    // which not every open for writing enforces (Wine's, for root).
    if (poignee != kAucunePoignee && ecriture && GetFileInformationByHandle(h, &i) &&
        (i.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        CloseHandle(h);
        erreur = ERROR_ACCESS_DENIED;
        return kAucunePoignee;
    }
    return poignee;
}

namespace {

// A SID the running process's token holds: its user, or the owner it gives
// new objects (Administrators for an elevated administrator).
bool EstMoi(PSID sid) {
    // Each buffer begins with the address of its SID, which lies inside it.
    static const std::vector<std::vector<unsigned char>> miens = [] {
        std::vector<std::vector<unsigned char>> lus;
        HANDLE jeton = nullptr;
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &jeton);
        for (const TOKEN_INFORMATION_CLASS classe : {TokenUser, TokenOwner}) {
            std::vector<unsigned char> lu(sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE);
            DWORD taille = 0;
            if (GetTokenInformation(jeton, classe, lu.data(), static_cast<DWORD>(lu.size()), &taille)) {
                lus.push_back(std::move(lu));
            }
        }
        CloseHandle(jeton);
        return lus;
    }();
    return sid != nullptr && std::any_of(miens.begin(), miens.end(), [sid](const std::vector<unsigned char>& mien) {
               return EqualSid(sid, *reinterpret_cast<const PSID*>(mien.data())) != FALSE;
           });
}

// Whether an entry of dacl that applies to the object itself lets anyone
// but the user, SYSTEM and Administrators write, delete or change
// permissions; no DACL at all lets everyone.
bool OuvertAuxAutres(PACL dacl) {
    constexpr ACCESS_MASK kEcriture = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                      FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL;
    if (dacl == nullptr) {
        return true;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entree = nullptr;
        if (!GetAce(dacl, i, &entree)) {
            return true;
        }
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entree);
        const PSID sid = &ace->SidStart;
        if (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && (ace->Header.AceFlags & INHERIT_ONLY_ACE) == 0 &&
            (ace->Mask & kEcriture) != 0 && !EstMoi(sid) && !IsWellKnownSid(sid, WinLocalSystemSid) &&
            !IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
            return true;
        }
    }
    return false;
}

} // namespace

int EtatDe(Poignee poignee, EtatFichier& etat) {
    if (GetFileType(H(poignee)) != FILE_TYPE_DISK) {
        etat.genre = Genre::Autre; // a pipe, a console, a device
        return 0;
    }
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
    PSID proprietaire = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descripteur = nullptr;
    const bool lue = GetSecurityInfo(H(poignee), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                     &proprietaire, nullptr, &dacl, nullptr, &descripteur) == ERROR_SUCCESS;
    // A file system without security (FAT): the user's no more than anyone's.
    etat.aNous = lue && EstMoi(proprietaire);
    etat.ouvertAuxAutres = !lue || OuvertAuxAutres(dacl);
    LocalFree(descripteur);
    return 0;
}

int LireMorceau(Poignee poignee, std::uint64_t position, char* tampon, std::size_t taille, std::size_t& lus) {
    DWORD n = 0;
    const bool lu =
        PlacerEn(H(poignee), position) && ReadFile(H(poignee), tampon, static_cast<DWORD>(taille), &n, nullptr) != 0;
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

bool Designe(const std::string& chemin, const std::string& identite) {
    int erreur = 0;
    EtatFichier nomme;
    const Poignee poignee = OuvrirChemin(chemin, false, erreur);
    const bool meme = poignee != kAucunePoignee && EtatDe(poignee, nomme) == 0 && nomme.identite == identite;
    FermerPoignee(poignee);
    return meme;
}

Poignee CreerSansNom(const std::string&) {
    return kAucunePoignee;
}

int DonnerNom(Poignee, const std::string&) {
    return ERROR_NOT_SUPPORTED; // no unnamed file to name
}

int ReprendreAttributs(Poignee, Poignee) {
    return 0; // ReplaceFileW keeps them
}

int Substituer(Poignee poignee, const std::string& temporaire, const std::string& cible) {
    FermerPoignee(poignee);
    // ReplaceFileW keeps attributes, security and streams; a file system
    // without it takes a plain move.
    const std::wstring source = VersUtf16(temporaire);
    const std::wstring destination = VersUtf16(cible);
    return Code(
        ReplaceFileW(destination.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ||
        MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

std::vector<Racine> RacinesCopies() {
    // The local application data outlives a restart; the temporary folder is
    // for a user without it, or when it is full.
    std::vector<Racine> racines;
    wchar_t tampon[MAX_PATH + 1];
    DWORD longueur = GetEnvironmentVariableW(L"LOCALAPPDATA", tampon, MAX_PATH + 1);
    if (longueur > 0 && longueur <= MAX_PATH) {
        racines.push_back({DepuisUtf16(std::wstring(tampon, longueur)), true, {"Quilvarest", "copies-en-cours"}});
    }
    longueur = GetTempPathW(MAX_PATH + 1, tampon); // with its final backslash
    if (longueur > 1 && longueur <= MAX_PATH) {
        racines.push_back({DepuisUtf16(std::wstring(tampon, longueur - 1)), true, {"Quilvarest-copies"}});
    }
    return racines;
}

Poignee OuvrirDans(Poignee, const std::string& cheminDossier, const std::string& nom, Genre genre, bool creer,
                   int& erreur) {
    const std::wstring chemin = Joindre(cheminDossier, nom);
    const bool dossier = genre == Genre::Dossier;
    if (dossier && creer) {
        CreateDirectoryW(chemin.c_str(), nullptr);
    }
    // A folder is not shared for deletion, so that it cannot be renamed or
    // replaced by a link while we hold it; a file made is shared with no one
    // while it is written. A reparse point is opened as itself, then refused.
    const bool nouveau = creer && !dossier;
    const DWORD partage = dossier ? FILE_SHARE_READ | FILE_SHARE_WRITE : nouveau ? 0 : kPartageTotal;
    const DWORD options = (dossier ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL) | FILE_FLAG_OPEN_REPARSE_POINT;
    return Ouvert(CreateFileW(chemin.c_str(), nouveau ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, partage, nullptr,
                              nouveau ? CREATE_NEW : OPEN_EXISTING, options, nullptr),
                  erreur);
}

void SupprimerDans(Poignee, const std::string& cheminDossier, const std::string& nom, Genre genre) {
    // A folder is removed only empty, and a reparse point as itself, never followed.
    const std::wstring chemin = Joindre(cheminDossier, nom);
    genre == Genre::Dossier ? RemoveDirectoryW(chemin.c_str()) : DeleteFileW(chemin.c_str());
}
