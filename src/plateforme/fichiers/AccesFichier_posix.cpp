#include "AccesFichier.h"

#include "Erreur.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Echouer(const std::string& chemin, int erreur) {
    throw Erreur(MessageEcritureImpossible(chemin, erreur));
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

int EcrireTout(int fd, const std::string& octets) {
    const char* donnees = octets.data();
    std::size_t reste = octets.size();
    while (reste > 0) {
        const ssize_t ecrits = ::write(fd, donnees, reste);
        if (ecrits < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        donnees += ecrits;
        reste -= static_cast<std::size_t>(ecrits);
    }
    return 0;
}

// Makes the rename itself durable. A failure here does not undo the rename,
// so it is not reported.
void SynchroniserDossier(const std::string& dossier) {
    const int fd = ::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The fallback of a folder that refuses new files: the file is rewritten
// through its own descriptor, so its inode, mode and owner stay as they are.
void EcrireSurPlace(const std::string& chemin, const std::string& cible, const std::string& octets) {
    Descripteur fichier;
    fichier.fd = ::open(cible.c_str(), O_WRONLY | O_CLOEXEC);
    if (fichier.fd < 0) {
        Echouer(chemin, errno);
    }
    // Reserve the space first: a full disk then fails before the old content
    // is overwritten. Other failures (a file system without the call) are no
    // reason to stop: the write below reports what really goes wrong.
    const int reserve = ::posix_fallocate(fichier.fd, 0, static_cast<off_t>(octets.size()));
    if (reserve == ENOSPC || reserve == EDQUOT || reserve == EFBIG) {
        Echouer(chemin, reserve);
    }
    int erreur = EcrireTout(fichier.fd, octets);
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

void RemplacerFichier(const std::string& chemin, const std::string& octets) {
    // The final target of any chain of links: it is the file replaced, in its
    // own folder, while the links keep pointing at it.
    char* reel = ::realpath(chemin.c_str(), nullptr);
    if (reel == nullptr) {
        Echouer(chemin, errno);
    }
    const std::string cible(reel);
    std::free(reel);

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
        EcrireSurPlace(chemin, cible, octets);
        return;
    }

    const std::string::size_type barre = cible.rfind('/');
    const std::string dossier = barre == 0 ? std::string("/") : cible.substr(0, barre);
    // A hidden name beside the file, cut short so that it stays a valid name.
    std::string modele = cible.substr(0, barre + 1) + "." + cible.substr(barre + 1, 200) + ".XXXXXX";

    Descripteur temporaire;
    temporaire.fd = ::mkostemp(modele.data(), O_CLOEXEC);
    if (temporaire.fd < 0) {
        const int erreur = errno;
        if (erreur == EACCES || erreur == EPERM) {
            EcrireSurPlace(chemin, cible, octets);
            return;
        }
        Echouer(chemin, erreur);
    }
    temporaire.temporaire = modele;

    int erreur = EcrireTout(temporaire.fd, octets);
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
    if (erreur == 0 && temporaire.Fermer() != 0) {
        erreur = errno;
    }
    if (erreur == 0 && ::rename(modele.c_str(), cible.c_str()) != 0) {
        erreur = errno;
    }
    if (erreur != 0) {
        Echouer(chemin, erreur);
    }
    temporaire.temporaire.clear();
    SynchroniserDossier(dossier);
}
