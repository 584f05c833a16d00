#include "AccesFichier.h"

#include "ArretEcriture.h"
#include "CopieSauvegarde.h"
#include "Echec.h"
#include "PrimitivesFichier.h"
#include "TemporaireVoisin.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Echouer(const std::string& chemin, int erreur) {
    throw Echec(MessageEcritureImpossible(chemin, erreur));
}

// A descriptor closed on every exit; the temporary file it names, if any, is
// also removed unless it has been renamed into place (the name cleared).
struct Descripteur {
    int fd = -1;
    std::string temporaire;

    ~Descripteur() {
        if (fd >= 0) {
            ::close(fd);
        }
        if (!temporaire.empty()) {
            ::unlink(temporaire.c_str());
        }
    }
    // Closes now, where the result of close may still report a lost write.
    int Fermer() {
        const int resultat = ::close(fd);
        fd = -1;
        return resultat;
    }
};

// Writes octets at offset position, in as few calls as the system takes.
int EcrireEn(int fd, std::string_view octets, off_t position) {
    while (!octets.empty()) {
        const ssize_t ecrits = ::pwrite(fd, octets.data(), OctetsPermis(octets.size()), position);
        if (ecrits < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        CompterOctetsEcrits(static_cast<std::size_t>(ecrits));
        octets.remove_prefix(static_cast<std::size_t>(ecrits));
        position += ecrits;
    }
    return 0;
}

// Makes a new name or a removed one durable. A failure here does not undo
// what was done, so it is not reported.
void SynchroniserDossier(const std::string& dossier) {
    const int fd = ::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string DossierDe(const std::string& chemin) {
    const std::string::size_type barre = chemin.rfind('/');
    return barre == std::string::npos ? std::string(".") : barre == 0 ? std::string("/") : chemin.substr(0, barre);
}

// Removes what a killed write of ours left beside nom in dossier: a file
// under our own temporary name, ours, that no process holds locked. A write
// under way holds its file locked.
void OterTemporairesLaisses(const std::string& dossier, const std::string& nom) {
    DIR* flux = ::opendir(dossier.c_str());
    if (flux == nullptr) {
        return;
    }
    while (const dirent* entree = ::readdir(flux)) {
        if (!EstTemporaireVoisin(nom, entree->d_name)) {
            continue;
        }
        Descripteur laisse;
        laisse.fd = ::openat(::dirfd(flux), entree->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat etat {};
        if (laisse.fd >= 0 && ::fstat(laisse.fd, &etat) == 0 && S_ISREG(etat.st_mode) && etat.st_uid == ::geteuid() &&
            ::flock(laisse.fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(::dirfd(flux), entree->d_name, 0);
        }
    }
    ::closedir(flux);
}

// A file with no name in dossier (O_TMPFILE), or -1 where the file system
// does not offer it.
int OuvrirSansNom(const std::string& dossier) {
    return ::open(dossier.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}

// Gives the unnamed file fd a temporary name of ours beside nom, for the
// rename that follows. Returns 0 or the system's code.
int NommerTemporaire(int fd, const std::string& dossier, const std::string& nom, std::string& temporaire) {
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    for (int essai = 0; essai < 100; ++essai) {
        temporaire = dossier + "/" + NomTemporaireVoisin(nom);
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, temporaire.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return 0;
        }
        if (errno != EEXIST) {
            temporaire.clear();
            return errno;
        }
    }
    temporaire.clear();
    return EEXIST;
}

// A new file under a temporary name of ours beside nom, or -1 with errno.
int CreerTemporaire(const std::string& dossier, const std::string& nom, std::string& temporaire) {
    for (int essai = 0; essai < 100; ++essai) {
        temporaire = dossier + "/" + NomTemporaireVoisin(nom);
        const int fd = ::open(temporaire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0) {
                temporaire.clear();
            }
            return fd;
        }
    }
    temporaire.clear();
    errno = EEXIST;
    return -1;
}

} // namespace

std::string MessageEcritureImpossible(const std::string& chemin, int erreur) {
    // EINVAL is how a pipe or a device in place of the file is refused here;
    // the system's "Invalid argument" would mislead.
    return MessageEcritureImpossible(chemin, erreur == EINVAL ? "ce n'est pas un fichier ordinaire"
                                                              : std::string(std::strerror(erreur)));
}

int LireFichierEntier(const std::string& chemin, std::string& octets) {
    Descripteur fichier;
    // O_NONBLOCK so that opening a named pipe returns at once; it is refused
    // just below and has no effect on a regular file.
    fichier.fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fichier.fd < 0) {
        return errno;
    }
    struct stat etat {};
    if (::fstat(fichier.fd, &etat) != 0) {
        return errno;
    }
    if (!S_ISREG(etat.st_mode)) {
        return S_ISDIR(etat.st_mode) ? EISDIR : EINVAL;
    }
    octets.clear();
    octets.reserve(static_cast<std::size_t>(etat.st_size));
    char tampon[65536];
    for (;;) {
        const ssize_t lus = ::read(fichier.fd, tampon, sizeof tampon);
        if (lus == 0) {
            return 0;
        }
        if (lus < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        octets.append(tampon, static_cast<std::size_t>(lus));
    }
}

std::string CibleFinale(const std::string& chemin) {
    char* reel = ::realpath(chemin.c_str(), nullptr);
    if (reel == nullptr) {
        return {};
    }
    std::string cible(reel);
    std::free(reel);
    return cible;
}

std::string IdentiteFichier(const std::string& cible) {
    struct stat etat {};
    if (::stat(cible.c_str(), &etat) != 0) {
        return {};
    }
    return std::to_string(etat.st_dev) + ":" + std::to_string(etat.st_ino);
}

void EcrireDepuis(const std::string& chemin, const std::string& cible, std::size_t debut, const std::string& octets) {
    // Through the file's own descriptor, so its inode, mode and owner stay.
    Descripteur fichier;
    fichier.fd = ::open(cible.c_str(), O_WRONLY | O_CLOEXEC);
    if (fichier.fd < 0) {
        Echouer(chemin, errno);
    }
    // Other failures of the reservation (a file system without the call) are
    // no reason to stop: the write below reports what really goes wrong.
    const int reserve = ::posix_fallocate(fichier.fd, 0, static_cast<off_t>(octets.size()));
    if (reserve == ENOSPC || reserve == EDQUOT || reserve == EFBIG) {
        Echouer(chemin, reserve);
    }
    int erreur = EcrireEn(fichier.fd, std::string_view(octets).substr(debut), static_cast<off_t>(debut));
    if (erreur == 0 && ::ftruncate(fichier.fd, static_cast<off_t>(octets.size())) != 0) {
        erreur = errno;
    }
    if (erreur == 0 && ::fsync(fichier.fd) != 0) {
        erreur = errno;
    }
    if (erreur == 0 && fichier.Fermer() != 0) {
        erreur = errno;
    }
    if (erreur != 0) {
        Echouer(chemin, erreur);
    }
}

int EcrireCopie(const std::string& fichier, std::initializer_list<std::string_view> morceaux) {
    Descripteur copie;
    copie.fd = ::open(fichier.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (copie.fd < 0) {
        return errno;
    }
    off_t position = 0;
    for (const std::string_view morceau : morceaux) {
        if (const int erreur = EcrireEn(copie.fd, morceau, position)) {
            return erreur;
        }
        position += static_cast<off_t>(morceau.size());
    }
    if (::fsync(copie.fd) != 0 || copie.Fermer() != 0) {
        return errno;
    }
    SynchroniserDossier(DossierDe(fichier));
    return 0;
}

void SupprimerFichier(const std::string& fichier) {
    ::unlink(fichier.c_str());
}

namespace {

// dossier, made first when creer is true, if it is a folder of ours that no
// one else may write into; a folder another user made in a shared place
// could hand the copy to them.
bool DossierAnous(const std::string& dossier, bool creer) {
    if (creer) {
        ::mkdir(dossier.c_str(), 0700);
    }
    struct stat etat {};
    return ::lstat(dossier.c_str(), &etat) == 0 && S_ISDIR(etat.st_mode) && etat.st_uid == ::geteuid() &&
           (etat.st_mode & 022) == 0;
}

} // namespace

std::string DossierCopies(bool creer) {
    // The cache, as the XDG rules place it, outlives a power cut, which a
    // temporary folder in memory would not; that folder is the fallback of a
    // user without a home to write in.
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/') {
        cache = xdg;
    } else if (const char* maison = std::getenv("HOME"); maison != nullptr && maison[0] == '/') {
        cache = std::string(maison) + "/.cache";
    }
    if (!cache.empty()) {
        if (creer) {
            ::mkdir(cache.c_str(), 0700);
            ::mkdir((cache + "/quilvarest").c_str(), 0700);
        }
        const std::string dossier = cache + "/quilvarest/copies-en-cours";
        if (DossierAnous(dossier, creer)) {
            return dossier + "/";
        }
    }
    const char* temporaire = std::getenv("TMPDIR");
    const std::string dossier = std::string(temporaire != nullptr && temporaire[0] == '/' ? temporaire : "/tmp") +
                                "/quilvarest-copies-" + std::to_string(::geteuid());
    return DossierAnous(dossier, creer) ? dossier + "/" : std::string();
}

void RemplacerFichier(const std::string& chemin, const std::string& octets) {
    // The final target of any chain of links: it is the file replaced, in its
    // own folder, while the links keep pointing at it.
    const std::string cible = CibleFinale(chemin);
    if (cible.empty()) {
        Echouer(chemin, errno);
    }
    struct stat etat {};
    if (::stat(cible.c_str(), &etat) != 0) {
        Echouer(chemin, errno);
    }
    if (!S_ISREG(etat.st_mode)) {
        Echouer(chemin, S_ISDIR(etat.st_mode) ? EISDIR : EINVAL);
    }
    // rename() only asks for a writable folder: a read-only file would be
    // replaced without this check.
    if (::faccessat(AT_FDCWD, cible.c_str(), W_OK, AT_EACCESS) != 0) {
        Echouer(chemin, errno);
    }
    // Another name of the same file would keep the old content after a
    // rename: such a file is written through itself.
    if (etat.st_nlink > 1) {
        EcrireSurPlaceAvecCopie(chemin, cible, octets);
        return;
    }

    const std::string dossier = DossierDe(cible);
    const std::string nom = cible.substr(cible.rfind('/') + 1);
    OterTemporairesLaisses(dossier, nom);

    // Locked while it is written, so that another instance's clean-up above
    // leaves it alone; unnamed until complete where the system allows.
    Descripteur temporaire;
    temporaire.fd = OuvrirSansNom(dossier);
    const bool sansNom = temporaire.fd >= 0;
    if (!sansNom) {
        temporaire.fd = CreerTemporaire(dossier, nom, temporaire.temporaire);
    }
    if (temporaire.fd < 0) {
        const int erreur = errno;
        if (erreur == EACCES || erreur == EPERM || erreur == EROFS) {
            EcrireSurPlaceAvecCopie(chemin, cible, octets);
            return;
        }
        Echouer(chemin, erreur);
    }
    ::flock(temporaire.fd, LOCK_EX | LOCK_NB);

    int erreur = EcrireEn(temporaire.fd, octets, 0);
    // Owner first: changing it may clear the set-id bits that fchmod then sets.
    // Only a privileged user may give a file away; otherwise it stays ours.
    if (erreur == 0 && ::fchown(temporaire.fd, etat.st_uid, etat.st_gid) != 0) {
        static_cast<void>(::fchown(temporaire.fd, static_cast<uid_t>(-1), etat.st_gid));
    }
    if (erreur == 0 && ::fchmod(temporaire.fd, etat.st_mode & 07777) != 0) {
        erreur = errno;
    }
    if (erreur == 0 && ::fsync(temporaire.fd) != 0) {
        erreur = errno;
    }
    if (erreur == 0 && sansNom) {
        erreur = NommerTemporaire(temporaire.fd, dossier, nom, temporaire.temporaire);
    }
    // Closed before the rename, where a lost write may still show; the lock
    // goes with it, a moment before the name does.
    if (erreur == 0 && temporaire.Fermer() != 0) {
        erreur = errno;
    }
    if (erreur == 0 && ::rename(temporaire.temporaire.c_str(), cible.c_str()) != 0) {
        erreur = errno;
    }
    if (erreur != 0) {
        Echouer(chemin, erreur);
    }
    temporaire.temporaire.clear();
    SynchroniserDossier(dossier);
}

std::intptr_t OuvrirPourVerrou(const std::string& chemin, int& erreur) {
    // Never blocks on a pipe; anything but a regular file is refused.
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat etat {};
    if (fd < 0 || ::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        erreur = fd < 0 ? errno : EINVAL;
        if (fd >= 0) {
            ::close(fd);
        }
        return kAucunePoignee;
    }
    return fd;
}

bool PrendreVerrou(std::intptr_t poignee) {
    while (::flock(static_cast<int>(poignee), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return errno != EWOULDBLOCK;
        }
    }
    return true;
}

bool DesigneEncore(std::intptr_t poignee, const std::string& chemin) {
    struct stat ouvert {};
    struct stat nomme {};
    return ::fstat(static_cast<int>(poignee), &ouvert) == 0 && ::stat(chemin.c_str(), &nomme) == 0 &&
           ouvert.st_dev == nomme.st_dev && ouvert.st_ino == nomme.st_ino;
}

void FermerPoignee(std::intptr_t poignee) {
    if (poignee != kAucunePoignee) {
        ::close(static_cast<int>(poignee));
    }
}
