#include "PrimitivesFichier.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

// The file layer's system calls on Linux. Reads and writes of regular files
// are not interrupted by signals, nor is a lock not waited for: no EINTR loop.

namespace {

int Fd(Poignee poignee) {
    return static_cast<int>(poignee);
}

int Code(bool reussi) {
    return reussi ? 0 : errno;
}

Poignee Ouvert(int fd, int& erreur) {
    erreur = Code(fd >= 0);
    return fd;
}

int DossierOu(Poignee dossier) {
    return dossier == kAucunePoignee ? AT_FDCWD : Fd(dossier);
}

// The open file's name in /proc, which reaches it without its path.
std::string Lien(Poignee poignee) {
    return "/proc/self/fd/" + std::to_string(Fd(poignee));
}

std::string Dans(Poignee dossier, const std::string& cheminDossier, const std::string& nom) {
    return dossier == kAucunePoignee && !cheminDossier.empty() ? cheminDossier + "/" + nom : nom;
}

std::string Identite(const struct stat& etat) {
    return std::to_string(etat.st_dev) + ":" + std::to_string(etat.st_ino);
}

// Copies the original's extended attributes (POSIX ACLs among them); one that
// cannot be set (an ACL the file system refuses, a label we may not give) is
// reported, and the file is then written in place, which keeps them all.
int ReprendreAttributsEtendus(int original, int nouveau) {
    const ssize_t taille = ::flistxattr(original, nullptr, 0);
    std::string noms(taille > 0 ? static_cast<std::size_t>(taille) : 0, '\0');
    const ssize_t lus = taille > 0 ? ::flistxattr(original, noms.data(), noms.size()) : 0; // none, or no support
    for (std::size_t debut = 0; lus > 0 && debut < static_cast<std::size_t>(lus); debut = noms.find('\0', debut) + 1) {
        const char* nom = noms.c_str() + debut;
        const ssize_t longueur = ::fgetxattr(original, nom, nullptr, 0);
        std::string valeur(longueur > 0 ? static_cast<std::size_t>(longueur) : 0, '\0');
        if (longueur < 0 || ::fgetxattr(original, nom, valeur.data(), valeur.size()) != longueur ||
            ::fsetxattr(nouveau, nom, valeur.data(), valeur.size(), 0) != 0) {
            return errno != 0 ? errno : EIO;
        }
    }
    return lus < 0 ? errno : 0;
}

} // namespace

const char kSeparateur = '/';

std::string TexteSysteme(int erreur) {
    return std::strerror(erreur);
}

bool NomRefuse(int erreur) {
    return erreur == EACCES || erreur == EPERM || erreur == EROFS || erreur == EEXIST;
}

bool PlaceManquante(int erreur) {
    return erreur == ENOSPC || erreur == EDQUOT || erreur == EFBIG;
}

Poignee OuvrirChemin(const std::string& chemin, bool ecriture, int& erreur) {
    // O_NONBLOCK: a named pipe opens at once, to be refused.
    return Ouvert(::open(chemin.c_str(), (ecriture ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK), erreur);
}

std::string CheminDe(Poignee poignee) {
    char cible[PATH_MAX];
    const ssize_t longueur = ::readlink(Lien(poignee).c_str(), cible, sizeof cible);
    const bool lu = longueur > 0 && longueur < static_cast<ssize_t>(sizeof cible) && cible[0] == '/';
    return lu ? std::string(cible, static_cast<std::size_t>(longueur)) : std::string();
}

Poignee RouvrirEnEcriture(Poignee poignee, int& erreur) {
    return Ouvert(::open(Lien(poignee).c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK), erreur);
}

int EtatDe(Poignee poignee, EtatFichier& etat) {
    struct stat lu {};
    if (::fstat(Fd(poignee), &lu) != 0) {
        return errno;
    }
    etat.genre = S_ISREG(lu.st_mode) ? Genre::Ordinaire : S_ISDIR(lu.st_mode) ? Genre::Dossier : Genre::Autre;
    etat.identite = Identite(lu);
    etat.taille = static_cast<std::uint64_t>(lu.st_size);
    etat.modification = static_cast<std::int64_t>(lu.st_mtim.tv_sec) * 1000000000 + lu.st_mtim.tv_nsec;
    etat.liens = static_cast<std::uint32_t>(lu.st_nlink);
    static const uid_t moi = ::geteuid();
    etat.aNous = lu.st_uid == moi;
    etat.ouvertAuxAutres = (lu.st_mode & 022) != 0;
    return 0;
}

int LireMorceau(Poignee poignee, std::uint64_t position, char* tampon, std::size_t taille, std::size_t& lus) {
    const ssize_t n = ::pread(Fd(poignee), tampon, taille, static_cast<off_t>(position));
    lus = n > 0 ? static_cast<std::size_t>(n) : 0;
    return Code(n >= 0);
}

int EcrireMorceau(Poignee poignee, const char* octets, std::size_t taille, std::uint64_t position,
                  std::size_t& ecrits) {
    const ssize_t n = ::pwrite(Fd(poignee), octets, taille, static_cast<off_t>(position));
    ecrits = n > 0 ? static_cast<std::size_t>(n) : 0;
    return Code(n >= 0);
}

int Reserver(Poignee poignee, std::uint64_t taille) {
    // A file system without the call is no reason to stop: the write itself
    // reports what really goes wrong.
    const int erreur = ::posix_fallocate(Fd(poignee), 0, static_cast<off_t>(taille));
    return PlaceManquante(erreur) ? erreur : 0;
}

int FixerTaille(Poignee poignee, std::uint64_t taille) {
    return Code(::ftruncate(Fd(poignee), static_cast<off_t>(taille)) == 0);
}

int Synchroniser(Poignee poignee) {
    return Code(::fsync(Fd(poignee)) == 0);
}

int FermerPoignee(Poignee poignee) {
    return poignee == kAucunePoignee ? 0 : Code(::close(Fd(poignee)) == 0);
}

bool PrendreVerrou(Poignee poignee) {
    return ::flock(Fd(poignee), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

bool Designe(const std::string& chemin, const std::string& identite) {
    struct stat nomme {};
    return ::stat(chemin.c_str(), &nomme) == 0 && Identite(nomme) == identite;
}

Poignee CreerSansNom(const std::string& dossier) {
    return ::open(dossier.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

int DonnerNom(Poignee poignee, const std::string& chemin) {
    return Code(::linkat(AT_FDCWD, Lien(poignee).c_str(), AT_FDCWD, chemin.c_str(), AT_SYMLINK_FOLLOW) == 0);
}

int ReprendreAttributs(Poignee original, Poignee nouveau) {
    struct stat etat {};
    if (::fstat(Fd(original), &etat) != 0) {
        return errno;
    }
    // Owner first: changing it may clear the set-id bits that fchmod then
    // sets. Only a privileged user may give a file away; otherwise it stays
    // ours, in the original's group where we belong to it.
    if (::fchown(Fd(nouveau), etat.st_uid, etat.st_gid) != 0) {
        static_cast<void>(::fchown(Fd(nouveau), static_cast<uid_t>(-1), etat.st_gid));
    }
    // The mode would also reset an access ACL: the attributes go last.
    return ::fchmod(Fd(nouveau), etat.st_mode & 07777) != 0 ? errno
                                                            : ReprendreAttributsEtendus(Fd(original), Fd(nouveau));
}

int Substituer(Poignee poignee, const std::string& temporaire, const std::string& cible) {
    // Still open, and so still locked, while it is renamed.
    const int erreur = Code(::rename(temporaire.c_str(), cible.c_str()) == 0);
    const int fermeture = FermerPoignee(poignee);
    return erreur != 0 ? erreur : fermeture;
}

std::vector<Racine> RacinesCopies() {
    // The cache outlives a power cut, which a temporary folder in memory
    // would not; that one is for a user without a home, or a cache full or
    // not the user's own.
    std::vector<Racine> racines;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/') {
        racines.push_back({xdg, true, {"quilvarest", "copies-en-cours"}});
    } else if (const char* maison = std::getenv("HOME"); maison != nullptr && maison[0] == '/') {
        racines.push_back({std::string(maison) + "/.cache", true, {"quilvarest", "copies-en-cours"}});
    }
    const char* temporaire = std::getenv("TMPDIR");
    racines.push_back({temporaire != nullptr && temporaire[0] == '/' ? temporaire : "/tmp",
                       false,
                       {"quilvarest-copies-" + std::to_string(::geteuid())}});
    return racines;
}

Poignee OuvrirDans(Poignee dossier, const std::string& cheminDossier, const std::string& nom, Genre genre, bool creer,
                   int& erreur) {
    const std::string cible = Dans(dossier, cheminDossier, nom);
    if (genre == Genre::Dossier && creer) {
        ::mkdirat(DossierOu(dossier), cible.c_str(), 0700);
    }
    const int options = genre == Genre::Dossier ? O_RDONLY | O_DIRECTORY
                        : creer                 ? O_RDWR | O_CREAT | O_EXCL
                                                : O_RDONLY | O_NONBLOCK;
    return Ouvert(::openat(DossierOu(dossier), cible.c_str(), options | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600),
                  erreur);
}

void SupprimerDans(Poignee dossier, const std::string& cheminDossier, const std::string& nom, Genre genre) {
    ::unlinkat(DossierOu(dossier), Dans(dossier, cheminDossier, nom).c_str(),
               genre == Genre::Dossier ? AT_REMOVEDIR : 0);
}
