"""The caller's file when a second actor is there, through the real program
(Linux): another writer holding the file, a writer stopped or killed halfway
while another instance starts, a link planted in the backup copies' path, a
file changed by its owner between our read and our commit.

Nothing here rests on timing. The other writer is the test itself holding
the file's lock; the program is stopped or killed at a chosen system call by
strace's fault injection (-e inject=CALL:signal=SIG), and the test waits
for that call in strace's own log before acting.
"""

import fcntl
import os
import signal
import subprocess
import time

from dialogue import BOUTON_VALIDER, ChercherCp
from pilote import (DELAI, ENVIRONNEMENT, AttendreFenetre, Cliquer, Echec, Fenetres, FermerParLaCase, Lancer, Touche,
                    Verifier, Xdotool)

AVANT = b"[Quilvarest]\r\nZeruzuvoCp=75001\r\n"
CHOIX = b"Cp=75001\r\nVille=PARIS\r\nErreur=0\r\n"
# An old choice longer than the new one, then enough lines that the write in
# place has a tail to cut: stopped before the file's length is set, the file
# holds the new part followed by the end of the old one.
ANCIEN_CHOIX = b"Cp=88888\r\nVille=" + b"SAINT-X" * 20 + b"\r\nErreur=0\r\n"
SUITE = b"".join(b"[S%d]\r\nCle=valeur de remplissage\r\n" % i for i in range(200))


class Ecrivain:
    """Quilvarest on chemin, in an environment of the case's own (its cache
    and temporary folders). With injection, strace attaches to it once its
    window is up, before anything is written."""

    def __init__(self, dossier, chemin, injection=None):
        self.trace = os.path.join(dossier + "-env", "strace.log")
        with open(dossier + ".log", "ab") as journal:
            self.processus = Lancer([QUILVAREST, chemin], cwd=dossier, env=Environnement(dossier), stdout=journal,
                                    stderr=subprocess.STDOUT)
            self.injection = injection
            self.journal = dossier + ".log"

    def Fenetre(self, titre, apres_message=False):
        if apres_message:
            # A message closed, no window manager gives the focus back to
            # the dialog: the test does, as one would.
            fin = time.monotonic() + DELAI
            while not Fenetres(self.processus.pid, titre) or Fenetres(self.processus.pid, "Quilvarest"):
                Verifier(time.monotonic() < fin, f"no window {titre!r} alone after the message")
                time.sleep(0.1)
            Xdotool("windowfocus", Fenetres(self.processus.pid, titre)[0])
        fenetre = AttendreFenetre(self.processus, titre)
        if self.injection:
            self.Attacher()
        return fenetre

    def Attacher(self):
        appel = self.injection.split(":")[0]
        with open(self.journal, "ab") as journal:
            self.strace = Lancer(["strace", "-f", "-qq", "-o", self.trace, "-e", "trace=" + appel, "-e", "inject=" + self.injection,
                    "-p", str(self.processus.pid)], stdout=journal, stderr=subprocess.STDOUT)
        self.injection = None
        # Traced once every thread has strace as its tracer.
        fin = time.monotonic() + DELAI
        while not all(Traces(self.processus.pid)):
            Verifier(time.monotonic() < fin, f"strace not attached after {DELAI} s")
            time.sleep(0.1)

    def Detacher(self):
        """Ends strace, which leaves the program as it is (still stopped):
        the sanitizers' leak check, at exit, cannot run under a tracer."""
        self.strace.terminate()
        self.strace.wait(timeout=DELAI)

    def AttendreArret(self, fois):
        """Waits until the traced program has stopped at the injected call for
        the fois-th time; returns its process id."""
        fin = time.monotonic() + DELAI
        while True:
            arrets = 0
            if os.path.exists(self.trace):
                with open(self.trace, "rb") as trace:
                    arrets = trace.read().count(b"--- SIGSTOP")
            pid = self.processus.pid
            if arrets >= fois and EtatDe(pid) in ("t", "T"):
                return pid
            Verifier(self.processus.poll() is None, "the program ended before its stop")
            Verifier(time.monotonic() < fin, f"no stop at the injected call after {DELAI} s")
            time.sleep(0.1)

    def Fin(self, tue=False):
        """Waits for the end: status 0, or killed."""
        try:
            obtenu = self.processus.wait(timeout=DELAI)
        except subprocess.TimeoutExpired:
            raise Echec(f"Quilvarest still running {DELAI} s after the last action")
        Verifier(obtenu == (-signal.SIGKILL if tue else 0), f"exit status {obtenu}")


def Environnement(dossier):
    env = os.path.join(dossier + "-env")
    for sous in ("cache", "tmp"):
        os.makedirs(os.path.join(env, sous), mode=0o700, exist_ok=True)
    return dict(ENVIRONNEMENT, XDG_CACHE_HOME=os.path.join(env, "cache"), TMPDIR=os.path.join(env, "tmp"))


def Traces(pid):
    for tache in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{tache}/status") as statut:
            yield any(ligne.startswith("TracerPid:") and ligne.split()[1] != "0" for ligne in statut)


def EtatDe(pid):
    with open(f"/proc/{pid}/stat") as stat:
        return stat.read().rsplit(")", 1)[1].split()[0]


def Lire(chemin):
    with open(chemin, "rb") as fichier:
        return fichier.read()


def Ecrire(chemin, octets, mode="wb"):
    with open(chemin, mode) as fichier:
        fichier.write(octets)


def Copies(dossier):
    return [f for racine, _, fichiers in os.walk(dossier + "-env") for f in fichiers if f.endswith(".copie")]


def Valider(ecrivain):
    recherche = ecrivain.Fenetre("Recherche")
    ChercherCp(recherche, "75001")
    Cliquer(recherche, BOUTON_VALIDER)
    return recherche


# --- The cases -------------------------------------------------------------


def FichierTenuParUnAutre(dossier):
    # Another program holds the file's lock: Valider waits, says the file is
    # in use, writes nothing and keeps the dialog open; once the other is
    # done, Valider again writes the choice.
    chemin = os.path.join(dossier, "appel.ini")
    Ecrire(chemin, AVANT)
    with open(chemin, "rb") as autre:
        fcntl.flock(autre, fcntl.LOCK_EX)
        ecrivain = Ecrivain(dossier, chemin)
        recherche = Valider(ecrivain)
        ecrivain.Fenetre("Quilvarest")
        Touche("Return")
        recherche = ecrivain.Fenetre("Recherche", apres_message=True)
        Verifier(Lire(chemin) == AVANT, "the file changed while another held it")
    Cliquer(recherche, BOUTON_VALIDER)
    ecrivain.Fin()
    Verifier(Lire(chemin) == AVANT + CHOIX, f"the file holds {Lire(chemin)!r}")


def EcrivainArreteSecondeInstanceTue(dossier):
    # A file with two names is written in place. The writer is stopped
    # halfway (its new part written, the file's length not yet set); a link planted in the cache
    # would lead its backup copy into another's folder. A second instance
    # started meanwhile says the file is in use and keeps the copy; once the
    # writer is killed, the next start puts the old content back.
    chemin = os.path.join(dossier, "appel.ini")
    avant = AVANT + ANCIEN_CHOIX + SUITE
    Ecrire(chemin, avant)
    os.link(chemin, os.path.join(dossier, "autre-nom.ini"))
    env = dossier + "-env"
    Environnement(dossier)
    os.makedirs(os.path.join(env, "piege", "copies-en-cours"), mode=0o700)
    os.symlink(os.path.join(env, "piege"), os.path.join(env, "cache", "quilvarest"))

    # The backup copy goes in five writes; the sixth is the file's own, and
    # the signal comes once it is done.
    ecrivain = Ecrivain(dossier, chemin, "pwrite64:signal=SIGSTOP:when=6")
    Valider(ecrivain)
    pid = ecrivain.AttendreArret(1)
    coupe = Lire(chemin)
    Verifier(coupe not in (avant, AVANT + CHOIX + SUITE), "the write was not stopped halfway")
    Verifier(not os.listdir(os.path.join(env, "piege", "copies-en-cours")), "the copy went through the link")
    Verifier(Copies(dossier), "no backup copy kept")

    seconde = Ecrivain(dossier, chemin)
    seconde.Fenetre("Quilvarest")
    Touche("Return")
    FermerParLaCase(seconde.Fenetre("Recherche", apres_message=True))
    seconde.Fin()
    Verifier(Lire(chemin) == coupe and Copies(dossier), "the second instance touched a write under way")

    os.kill(pid, signal.SIGKILL)
    ecrivain.processus.wait(timeout=DELAI)
    troisieme = Ecrivain(dossier, chemin)
    FermerParLaCase(troisieme.Fenetre("Recherche"))
    troisieme.Fin()
    Verifier(Lire(chemin) == avant, f"not put back: {Lire(chemin)[:200]!r}")
    Verifier(not Copies(dossier), f"copies left: {Copies(dossier)}")


def RaccourciApresCoupure(dossier):
    # Killed once its backup copy is on disk but before the file is touched;
    # the caller then removes its last section. The next start keeps the
    # caller's edit and drops the copy.
    chemin = os.path.join(dossier, "appel.ini")
    avant = AVANT + SUITE
    Ecrire(chemin, avant)
    os.link(chemin, os.path.join(dossier, "autre-nom.ini"))
    ecrivain = Ecrivain(dossier, chemin, "fallocate:signal=SIGKILL")
    Valider(ecrivain)
    ecrivain.Fin(tue=True)
    Verifier(Lire(chemin) == avant and Copies(dossier), "not killed between the copy and the file")
    raccourci = avant[:avant.rindex(b"[S")]
    with open(chemin, "r+b") as fichier:
        fichier.truncate(len(raccourci))
    suivant = Ecrivain(dossier, chemin)
    FermerParLaCase(suivant.Fenetre("Recherche"))
    suivant.Fin()
    Verifier(Lire(chemin) == raccourci, f"the caller's edit was undone: {len(Lire(chemin))} bytes")
    Verifier(not Copies(dossier), f"copies left: {Copies(dossier)}")


def ChangeAvantLeRenommage(dossier, fois):
    # The caller adds a line while the program is about to commit (stopped
    # where its new file gets its name, just before the check). Changed once,
    # its line is kept and the choice written beside it; changed at each
    # try, nothing is written, a message says why and the dialog stays.
    chemin = os.path.join(dossier, "appel.ini")
    Ecrire(chemin, AVANT)
    injection = "linkat:signal=SIGSTOP" + (":when=1" if fois == 1 else "")
    ecrivain = Ecrivain(dossier, chemin, injection)
    Valider(ecrivain)
    ajouts = b""
    for numero in range(1, fois + 1):
        pid = ecrivain.AttendreArret(numero)
        ajout = b"[Appelant]\r\nVu=%d\r\n" % numero
        Ecrire(chemin, ajout, "ab")
        ajouts += ajout
        if numero == fois:
            ecrivain.Detacher()
        os.kill(pid, signal.SIGCONT)
    if fois == 1:
        ecrivain.Fin()
        Verifier(Lire(chemin) == AVANT + CHOIX + ajouts, f"the file holds {Lire(chemin)!r}")
        return
    ecrivain.Fenetre("Quilvarest")
    Touche("Return")
    FermerParLaCase(ecrivain.Fenetre("Recherche", apres_message=True))
    ecrivain.Fin()
    Verifier(Lire(chemin) == AVANT + ajouts, f"the file holds {Lire(chemin)!r}")


QUILVAREST = None


def Cas(quilvarest):
    global QUILVAREST
    QUILVAREST = quilvarest
    return [
        ("another program holds the file: Valider says it is in use, writes nothing; again once it is free",
         FichierTenuParUnAutre),
        ("writer stopped halfway, copy kept out of a planted link, second instance leaves it; killed: put back",
         EcrivainArreteSecondeInstanceTue),
        ("killed before touching the file, which its owner then shortens: the edit is kept",
         RaccourciApresCoupure),
        ("the caller adds a line just before our commit: kept, with the choice",
         lambda dossier: ChangeAvantLeRenommage(dossier, 1)),
        ("the caller changes the file at each try: nothing written, a message, the dialog stays",
         lambda dossier: ChangeAvantLeRenommage(dossier, 2)),
    ]
