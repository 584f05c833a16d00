"""Drives a program's X11 windows from outside, as a user and a window
manager would, on a private Xvfb display: the processes it starts, the X
server, xdotool for the pointer and the keys (through the server's XTEST
extension, so the program receives real input events), python3-xlib for what
xdotool cannot do.

There is no window manager on that display. Qt gives the keyboard focus to
its windows itself there (XSetInputFocus, as no window manager advertises
_NET_ACTIVE_WINDOW), and AttendreFenetre waits for that focus before anything
is typed; Wine's windows wait for a window manager to give it, so under Wine
AttendreFenetre gives it as one would (OuvrirEcran's focus_donne). The close
box, which only a window manager draws, is emulated by the message a window
manager sends (FermerParLaCase).
"""

import ctypes
import os
import select
import signal
import subprocess
import sys
import time

try:
    from Xlib import X, display as xdisplay, protocol
except ImportError:
    print("FAIL: python3-xlib is missing (scripts/dependances.sh installs it)")
    sys.exit(1)

# Every wait is bounded, so that a stuck program fails the case instead of
# hanging the run; the bound is generous, for a loaded machine and for the
# sanitized build, and nothing is measured against it.
DELAI = 60

# The children's environment, filled by OuvrirEcran.
ENVIRONNEMENT = {}

# Whether AttendreFenetre gives the keyboard focus itself, set by OuvrirEcran.
FOCUS_DONNE = False


class Echec(Exception):
    pass


def Verifier(condition, message):
    if not condition:
        raise Echec(message)


# --- Processes ------------------------------------------------------------

lances = []  # every process started here, each ended through its own Popen

_libc = ctypes.CDLL(None, use_errno=True)


def _MourirAvecLeParent():
    # PR_SET_PDEATHSIG: should the script itself be killed outright (ctest's
    # timeout), the kernel still ends the Xvfb and the programs it started.
    _libc.prctl(1, signal.SIGTERM)


def Lancer(commande, **options):
    processus = subprocess.Popen(commande, preexec_fn=_MourirAvecLeParent, stdin=subprocess.DEVNULL, **options)
    lances.append(processus)
    return processus


def Arreter(processus):
    if processus.poll() is None:
        processus.terminate()
        try:
            processus.wait(timeout=10)
        except subprocess.TimeoutExpired:
            processus.kill()
            processus.wait()


def _Interrompu(numero, _cadre):
    raise SystemExit(128 + numero)


def ArreterAussiSurSignal():
    """ctest ends a test that runs too long with a signal: the callers'
    finally blocks, which end what was started, then still run."""
    signal.signal(signal.SIGTERM, _Interrompu)
    signal.signal(signal.SIGHUP, _Interrompu)


def OuvrirEcran(racine, journal, focus_donne=False):
    """Starts the private display and sets ENVIRONNEMENT for every program
    started afterwards: that display, Qt on X11 whatever the caller's
    environment says, and a runtime folder of its own under racine.
    focus_donne: the programs do not take the keyboard focus themselves."""
    global FOCUS_DONNE
    FOCUS_DONNE = focus_donne
    ecran = DemarrerXvfb(journal)
    runtime = os.path.join(racine, "runtime")
    os.mkdir(runtime, 0o700)
    ENVIRONNEMENT.clear()
    ENVIRONNEMENT.update(os.environ, DISPLAY=ecran, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
    ENVIRONNEMENT.pop("WAYLAND_DISPLAY", None)


def DemarrerXvfb(journal):
    """Starts Xvfb on the first free display and returns that display's name.
    -displayfd makes the server pick the display and write its number once it
    accepts connections, so there is neither a guess nor a race. -noreset:
    by default the server resets when its last client leaves, and a program
    started during that reset cannot connect."""
    lecture, ecriture = os.pipe()
    xvfb = Lancer(["Xvfb", "-displayfd", str(ecriture), "-nolisten", "tcp", "-noreset",
                   "-screen", "0", "1024x768x24"], pass_fds=(ecriture,), stdout=journal, stderr=journal)
    os.close(ecriture)
    lu = b""
    fin = time.monotonic() + DELAI
    while not lu.endswith(b"\n"):
        reste = fin - time.monotonic()
        Verifier(reste > 0, "Xvfb did not report its display in time")
        prets, _, _ = select.select([lecture], [], [], reste)
        if prets:
            morceau = os.read(lecture, 64)
            Verifier(morceau, f"Xvfb ended with status {xvfb.poll()} before reporting its display")
            lu += morceau
    os.close(lecture)
    return ":" + lu.decode().strip()


# --- The X side -----------------------------------------------------------


def Xdotool(*arguments):
    resultat = subprocess.run(["xdotool", *arguments], env=ENVIRONNEMENT, capture_output=True, text=True,
                              timeout=DELAI)
    Verifier(resultat.returncode == 0, f"xdotool {' '.join(arguments)}: {resultat.stderr.strip()}")
    return resultat.stdout


def Fenetres(pid, titre):
    """The visible windows of process pid (any process if None) whose title
    is exactly titre. --all: without it xdotool takes a window matching the
    pid OR the name."""
    processus = [] if pid is None else ["--pid", str(pid)]
    resultat = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", *processus, "--name", f"^{titre}$"],
                              env=ENVIRONNEMENT, capture_output=True, text=True, timeout=DELAI)
    return resultat.stdout.split()


def FenetreAyantLeFocus():
    # xdotool fails while the focus is on no window (None, PointerRoot).
    resultat = subprocess.run(["xdotool", "getwindowfocus", "-f"], env=ENVIRONNEMENT, capture_output=True,
                              text=True, timeout=DELAI)
    return resultat.stdout.strip()


def AttendreFenetre(programme, titre, la_sienne=True):
    """Waits for the one visible window of programme (a Popen) titled titre,
    then for the keyboard focus on it, so that what is typed next reaches it.
    la_sienne=False: the window belongs to a program that programme started,
    and is found by its title alone."""
    fin = time.monotonic() + DELAI
    while True:
        trouvees = Fenetres(programme.pid if la_sienne else None, titre)
        Verifier(len(trouvees) <= 1, f"{len(trouvees)} windows titled {titre!r}")
        if trouvees:
            break
        Verifier(programme.poll() is None,
                 f"the program ended with status {programme.returncode} before showing {titre!r}")
        Verifier(time.monotonic() < fin, f"no window titled {titre!r} after {DELAI} s")
        time.sleep(0.1)
    fenetre = trouvees[0]
    if FOCUS_DONNE:
        # What a window manager does for a window it maps.
        Xdotool("windowfocus", fenetre)
    while FenetreAyantLeFocus() != fenetre:
        Verifier(time.monotonic() < fin, f"the window {titre!r} never got the keyboard focus")
        time.sleep(0.1)
    return fenetre


def Cliquer(fenetre, position, fois=1):
    # Without --sync: xdotool's --sync waits forever when the pointer is
    # already there; XTEST keeps the move before the click anyway.
    Xdotool("mousemove", "--window", fenetre, str(position[0]), str(position[1]),
            "click", "--repeat", str(fois), "--delay", "50", "1")


def Taper(texte):
    Xdotool("type", "--delay", "40", texte)


def Touche(nom):
    Xdotool("key", nom)


def AttendreCouleursDifferentes(fenetre, point, reference, quoi):
    """Waits until the pixels of fenetre at point and at reference differ,
    as the user would see something appear there; quoi names it on failure."""
    connexion = xdisplay.Display(ENVIRONNEMENT["DISPLAY"])
    try:
        cible = connexion.create_resource_object("window", int(fenetre))
        fin = time.monotonic() + DELAI
        while True:
            a = cible.get_image(point[0], point[1], 1, 1, X.ZPixmap, 0xFFFFFFFF).data
            b = cible.get_image(reference[0], reference[1], 1, 1, X.ZPixmap, 0xFFFFFFFF).data
            if a != b:
                return
            Verifier(time.monotonic() < fin, f"{quoi} never showed")
            time.sleep(0.1)
    finally:
        connexion.close()


def ClasseDeFenetre(fenetre):
    """The class half of the window's WM_CLASS, by which X11 docks and task
    bars match a window with its desktop entry."""
    connexion = xdisplay.Display(ENVIRONNEMENT["DISPLAY"])
    try:
        classe = connexion.create_resource_object("window", int(fenetre)).get_wm_class()
        return classe[1] if classe else None
    finally:
        connexion.close()


def FermerParLaCase(fenetre):
    """What a window manager does when the user clicks the close box (ICCCM
    4.2.8.1): the client lists WM_DELETE_WINDOW in WM_PROTOCOLS, so it is sent
    a ClientMessage of type WM_PROTOCOLS, format 32, data WM_DELETE_WINDOW and
    a timestamp, with an empty event mask, which XSendEvent delivers to the
    window's own client. Qt turns it into a close event, as it does under a
    real window manager. "xdotool windowclose" would destroy the window
    instead: the program is never asked, loses its window and, as tried with
    Quilvarest, goes on running."""
    connexion = xdisplay.Display(ENVIRONNEMENT["DISPLAY"])
    try:
        cible = connexion.create_resource_object("window", int(fenetre))
        wm_protocols = connexion.intern_atom("WM_PROTOCOLS")
        wm_delete_window = connexion.intern_atom("WM_DELETE_WINDOW")
        protocoles = cible.get_wm_protocols() or []
        Verifier(wm_delete_window in protocoles, "the window does not take WM_DELETE_WINDOW")
        message = protocol.event.ClientMessage(window=cible, client_type=wm_protocols,
                                               data=(32, [wm_delete_window, X.CurrentTime, 0, 0, 0]))
        cible.send_event(message, event_mask=X.NoEventMask)
        connexion.sync()
    finally:
        connexion.close()

