// veilleur_peinture TITRE PROGRAMME [ARGUMENTS...]
//
// Starts PROGRAMME on the X display of $DISPLAY and measures, from outside,
// the time from its start to its window being on screen, painted whole:
//   1. before starting it, asks the X server (DAMAGE extension) to report every
//      drawing that changes what the root window shows, its inferiors included,
//      and to report windows created, moved and mapped on the root;
//   2. notes the monotonic time, then spawns the program;
//   3. the first top-level window mapped whose WM_NAME starts with TITRE is the
//      program's; nothing drawn before its mapping can be seen, so nothing is
//      reported before it;
//   4. every damaged rectangle is marked on a bitmap of that window; the
//      window counts as painted when every one of its pixels has been drawn
//      since it was mapped. Qt draws with no window background, so mapping
//      alone paints nothing: only the program's own drawing covers it.
// Then writes on the standard output, and flushes:
//   "peint <pid> <ms from start to mapped> <ms from start to painted> <cpu ms>"
// the last being the CPU time all the program's threads had used by then
// (from /proc/<pid>/task/*/schedstat), less disturbed by a busy machine than
// the wall time.
// waits for the program to end and writes:
//   "fin <exit status> <peak resident set in KiB (ru_maxrss)>"
// A program that ends, or shows nothing within 30 s, gives "echec <reason>";
// in the second case the program is killed. Exit status 0 when both lines were
// written, 1 otherwise.
//
// The extension's requests are written by hand over xcb's raw interface, so
// only libxcb is needed (the DAMAGE client library is rarely installed).

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

xcb_extension_t extensionDamage = {"DAMAGE", 0};

double Maintenant() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Sends one DAMAGE request whose body (header included) is corps.
unsigned EnvoyerDamage(xcb_connection_t* c, std::uint8_t mineur, void* corps, std::size_t taille, bool vide) {
    iovec parties[4] = {};
    parties[2].iov_base = corps;
    parties[2].iov_len = taille;
    xcb_protocol_request_t requete{1, &extensionDamage, mineur, vide ? std::uint8_t{1} : std::uint8_t{0}};
    return xcb_send_request(c, XCB_REQUEST_CHECKED, parties + 2, &requete);
}

// DamageQueryVersion 1.1 then DamageCreate(root, RawRectangles). Returns the
// first event code of the extension, or -1.
int AbonnerDamage(xcb_connection_t* c, xcb_window_t racine) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &extensionDamage);
    if (extension == nullptr || !extension->present) {
        std::fprintf(stderr, "veilleur_peinture: the X server has no DAMAGE extension\n");
        return -1;
    }
    struct {
        std::uint8_t majeur, mineur;
        std::uint16_t longueur;
        std::uint32_t versionMajeure, versionMineure;
    } version{0, 0, 0, 1, 1};
    xcb_generic_error_t* erreur = nullptr;
    void* reponse = xcb_wait_for_reply(c, EnvoyerDamage(c, 0, &version, sizeof version, false), &erreur);
    std::free(reponse);
    if (erreur != nullptr) {
        std::fprintf(stderr, "veilleur_peinture: DamageQueryVersion failed\n");
        std::free(erreur);
        return -1;
    }
    struct {
        std::uint8_t majeur, mineur;
        std::uint16_t longueur;
        std::uint32_t damage, dessinable;
        std::uint8_t niveau, bourrage[3];
    } creation{0, 0, 0, xcb_generate_id(c), racine, 0 /* RawRectangles */, {}};
    xcb_void_cookie_t cookie{EnvoyerDamage(c, 1, &creation, sizeof creation, true)};
    erreur = xcb_request_check(c, cookie);
    if (erreur != nullptr) {
        std::fprintf(stderr, "veilleur_peinture: DamageCreate failed (error %d)\n", erreur->error_code);
        std::free(erreur);
        return -1;
    }
    return extension->first_event;
}

// DamageNotify as it comes on the wire.
struct NotificationDamage {
    std::uint8_t type, niveau;
    std::uint16_t sequence;
    std::uint32_t dessinable, damage, instant;
    std::int16_t x, y;
    std::uint16_t largeur, hauteur;
    std::int16_t gx, gy;
    std::uint16_t glargeur, ghauteur;
};
static_assert(sizeof(NotificationDamage) == 32, "an X event is 32 bytes");

std::string Titre(xcb_connection_t* c, xcb_window_t fenetre) {
    xcb_get_property_reply_t* reponse = xcb_get_property_reply(
        c, xcb_get_property(c, 0, fenetre, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
    std::string titre;
    if (reponse != nullptr) {
        titre.assign(static_cast<const char*>(xcb_get_property_value(reponse)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reponse)));
        std::free(reponse);
    }
    return titre;
}

// The pixels of the watched window drawn since it was mapped.
class Couverture {
public:
    void Poser(int x, int y, int largeur, int hauteur) {
        x_ = x;
        y_ = y;
        largeur_ = largeur;
        hauteur_ = hauteur;
        peints_.assign(static_cast<std::size_t>(largeur) * static_cast<std::size_t>(hauteur), 0);
        restants_ = peints_.size();
    }
    // A rectangle in root coordinates.
    void Marquer(int x, int y, int largeur, int hauteur) {
        const int x0 = std::max(x, x_) - x_;
        const int y0 = std::max(y, y_) - y_;
        const int x1 = std::min(x + largeur, x_ + largeur_) - x_;
        const int y1 = std::min(y + hauteur, y_ + hauteur_) - y_;
        for (int ligne = y0; ligne < y1; ++ligne) {
            for (int colonne = x0; colonne < x1; ++colonne) {
                std::uint8_t& pixel = peints_[static_cast<std::size_t>(ligne) * largeur_ + colonne];
                restants_ -= pixel == 0 ? 1 : 0;
                pixel = 1;
            }
        }
    }
    bool Complete() const { return !peints_.empty() && restants_ == 0; }

private:
    int x_ = 0, y_ = 0, largeur_ = 0, hauteur_ = 0;
    std::vector<std::uint8_t> peints_;
    std::size_t restants_ = 0;
};

struct Geometrie {
    int x, y, largeur, hauteur;
};

// CPU time used so far by every thread of the process, in ms.
double TempsProcesseur(pid_t pid) {
    const std::string dossier = "/proc/" + std::to_string(pid) + "/task";
    double total = 0;
    if (DIR* taches = opendir(dossier.c_str())) {
        while (const dirent* tache = readdir(taches)) {
            if (tache->d_name[0] == '.') {
                continue;
            }
            std::ifstream stats(dossier + "/" + tache->d_name + "/schedstat");
            double nanosecondes = 0;
            if (stats >> nanosecondes) {
                total += nanosecondes / 1e6;
            }
        }
        closedir(taches);
    }
    return total;
}

// Waits for the child and writes the "fin" line.
int Finir(pid_t enfant) {
    int statut = 0;
    rusage usage{};
    while (wait4(enfant, &statut, 0, &usage) < 0 && errno == EINTR) {
    }
    const int code = WIFEXITED(statut) ? WEXITSTATUS(statut) : 128 + WTERMSIG(statut);
    std::printf("fin %d %ld\n", code, usage.ru_maxrss);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: veilleur_peinture TITRE PROGRAMME [ARGUMENTS...]\n");
        return 1;
    }
    const std::string titreAttendu = argv[1];
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "veilleur_peinture: cannot open the display\n");
        return 1;
    }
    const xcb_window_t racine = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t masque = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, racine, XCB_CW_EVENT_MASK, &masque);
    const int premierEvenement = AbonnerDamage(c, racine);
    if (premierEvenement < 0) {
        return 1;
    }
    // A round trip: the server has taken both subscriptions before the start.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    const double depart = Maintenant();
    pid_t enfant = 0;
    if (posix_spawnp(&enfant, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
        std::fprintf(stderr, "veilleur_peinture: cannot start %s\n", argv[2]);
        return 1;
    }

    std::map<xcb_window_t, Geometrie> fenetres; // top-level windows as last configured
    xcb_window_t cible = XCB_WINDOW_NONE;
    Couverture couverture;
    double carte = 0;
    const int descripteur = xcb_get_file_descriptor(c);
    while (!couverture.Complete()) {
        xcb_generic_event_t* evenement = xcb_poll_for_event(c);
        if (evenement == nullptr) {
            if (xcb_connection_has_error(c)) {
                std::printf("echec connexion\n");
                kill(enfant, SIGKILL);
                Finir(enfant);
                return 1;
            }
            int statut = 0;
            if (waitpid(enfant, &statut, WNOHANG) == enfant) {
                std::printf("echec fin %d\n", WIFEXITED(statut) ? WEXITSTATUS(statut) : 128 + WTERMSIG(statut));
                return 1;
            }
            if (Maintenant() - depart > 30000) {
                std::printf("echec delai\n");
                kill(enfant, SIGKILL);
                Finir(enfant);
                return 1;
            }
            pollfd attente{descripteur, POLLIN, 0};
            poll(&attente, 1, 100);
            continue;
        }
        const int type = evenement->response_type & 0x7F;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(evenement);
            fenetres[e->window] = {e->x, e->y, e->width, e->height};
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(evenement);
            fenetres[e->window] = {e->x, e->y, e->width, e->height};
        } else if (type == XCB_MAP_NOTIFY && cible == XCB_WINDOW_NONE) {
            const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(evenement);
            const auto connue = fenetres.find(e->window);
            if (connue != fenetres.end() && Titre(c, e->window).rfind(titreAttendu, 0) == 0) {
                cible = e->window;
                carte = Maintenant();
                couverture.Poser(connue->second.x, connue->second.y, connue->second.largeur, connue->second.hauteur);
            }
        } else if (type == premierEvenement && cible != XCB_WINDOW_NONE) {
            const auto* e = reinterpret_cast<NotificationDamage*>(evenement);
            couverture.Marquer(e->x, e->y, e->largeur, e->hauteur);
        }
        std::free(evenement);
    }
    const double peint = Maintenant();
    const double processeur = TempsProcesseur(enfant);
    std::printf("peint %d %.3f %.3f %.3f\n", static_cast<int>(enfant), carte - depart, peint - depart, processeur);
    std::fflush(stdout);
    // The events of what follows are of no use: leaving the display drops the
    // damage object and spares the program's later drawing any bookkeeping.
    xcb_disconnect(c);
    return Finir(enfant);
}
