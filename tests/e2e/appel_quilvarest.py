#!/usr/bin/python3
"""Quilvarest end to end, as the calling application and its user drive it.

Usage: appel_quilvarest.py PATH_OF_THE_BUILT_QUILVAREST
       appel_quilvarest.py --wine PATH_OF_APPELANT_EXE PATH_OF_QUILVAREST_EXE
       appel_quilvarest.py --msi PATH_OF_APPELANT_EXE MSI NEXT_VERSION_MSI VERSION

For each case the script writes a configuration file, starts the executable
on its own Xvfb display and drives the real window as a person would (see
pilote.py): the pointer moves and clicks, the keys are typed. It then checks
the exit status and compares the whole file, byte for byte, with what the
calling application must read back. On Linux, cas_ecrivains.py adds the
cases with a second actor on the file (another writer, a kill, an edit),
placed by strace's fault injection.

--wine: the same cases against the Windows executable under Wine (wine.py),
its arguments as Windows paths, then those of the Windows caller in C,
examples/appelant.c built as appelant.exe (cas_appelant.py). Only ASCII is
typed: under Wine, xdotool loses the letters the keyboard layout lacks.

--msi: the Windows installer instead (cas_installateur.py), MSI beside the
Quilvarest.exe and Quilvarest.abs it holds, VERSION the one Programs and
Features must show.

Needs Xvfb, xdotool, python3-xlib and strace (and wine with --wine, wine and
msiinfo with --msi). Prints one PASS or FAIL line per case and exits non-zero
when a case failed.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
import cas_appelant
import cas_ecrivains
import cas_installateur
import wine
from dialogue import BOUTON_VALIDER, PREMIERE_LIGNE, ChercherCp
from pilote import (DELAI, Arreter, ArreterAussiSurSignal, AttendreFenetre, ClasseDeFenetre, Cliquer, Echec,
                    ENVIRONNEMENT, FermerParLaCase, Fenetres, Lancer, OuvrirEcran, Touche, Verifier, lances)

QUILVAREST = None  # the executable under test, from the command line
SOUS_WINE = False  # --wine
# The desktop entry's name, which the window's class must carry on Linux.
ENTREE_BUREAU = "quilvarest"


# The caller's file: CRLF line ends, UTF-8 (the comment holds an 'é'), a
# section before and after ours, a "Cp" key in another section, an old choice
# to be replaced in place, a comment closing our section, and no line end
# after the last line. {cp} is the starting postal-code criterion.
MODELE = (
    "; Fichier d'échange écrit par l'application appelante\r\n"
    "[Appelant]\r\n"
    "Utilisateur = Dupont\r\n"
    "Cp=99999\r\n"
    "\r\n"
    "[Quilvarest]\r\n"
    "ZeruzuvoCp={cp}\r\n"
    "ZeruzuvoVille=\r\n"
    "Cp=13001\r\n"
    "Ville=MARSEILLE\r\n"
    "; fin des clés du dialogue\r\n"
    "\r\n"
    "[Autre]\r\n"
    "Cle = valeur"
)

# What the caller must read back: the old choice's two lines rewritten in
# place, "Erreur" added after the section's last key, with the file's CRLF.
APRES_CHOIX = "Cp={cp}\r\nVille={ville}\r\nErreur=0\r\n"
APRES_ABANDON = "Cp=13001\r\nVille=MARSEILLE\r\nErreur=1\r\n"
ANCIEN_CHOIX = "Cp=13001\r\nVille=MARSEILLE\r\n"


def Fichier(cp=""):
    return MODELE.format(cp=cp).encode("utf-8")


def FichierApresChoix(cp_depart, cp, ville):
    return MODELE.format(cp=cp_depart).replace(ANCIEN_CHOIX, APRES_CHOIX.format(cp=cp, ville=ville)).encode("utf-8")


def FichierApresAbandon(cp_depart=""):
    return MODELE.format(cp=cp_depart).replace(ANCIEN_CHOIX, APRES_ABANDON).encode("utf-8")


# --- One run of the program ------------------------------------------------


class Execution:
    """Quilvarest started with arguments in the case's folder. Its output goes
    beside that folder, which must hold the configuration file only, and is
    shown when the case fails (sanitizer reports among it)."""

    def __init__(self, dossier, chemins):
        # The arguments are paths, named as the program's system names them.
        commande = [QUILVAREST, *chemins]
        if SOUS_WINE:
            commande = wine.Commande(wine.CheminWindows(QUILVAREST), [wine.CheminWindows(c) for c in chemins])
        with open(dossier + ".log", "wb") as journal:
            self.processus = Lancer(commande, cwd=dossier, env=ENVIRONNEMENT, stdout=journal,
                                    stderr=subprocess.STDOUT)

    def Fenetre(self, titre):
        return AttendreFenetre(self.processus, titre)

    def Fin(self):
        """Waits for the program to end and checks its status, always 0."""
        try:
            statut = self.processus.wait(timeout=DELAI)
        except subprocess.TimeoutExpired:
            raise Echec(f"Quilvarest still running {DELAI} s after the last action")
        Verifier(statut == 0, f"exit status {statut}, not 0")


def Preparer(dossier, contenu):
    chemin = os.path.join(dossier, "appel.ini")
    with open(chemin, "wb") as fichier:
        fichier.write(contenu)
    return chemin


def VerifierFichier(chemin, attendu):
    with open(chemin, "rb") as fichier:
        obtenu = fichier.read()
    Verifier(obtenu == attendu, f"the file differs:\n  expected {attendu!r}\n  obtained {obtenu!r}")


def VerifierSeulDansLeDossier(dossier, noms):
    # No temporary file left behind by the replacement, no file created.
    Verifier(sorted(os.listdir(dossier)) == sorted(noms), f"the folder holds {sorted(os.listdir(dossier))}")


# --- The cases -------------------------------------------------------------


def ValidationParDoubleClic(dossier):
    chemin = Preparer(dossier, Fichier())
    execution = Execution(dossier, [chemin])
    recherche = execution.Fenetre("Recherche")
    if not SOUS_WINE:  # Wine names its windows' class after the .exe
        classe = ClasseDeFenetre(recherche)
        Verifier(classe == ENTREE_BUREAU, f"window class {classe!r}, not the desktop entry's {ENTREE_BUREAU!r}")
    ChercherCp(recherche, "75001")
    Cliquer(recherche, PREMIERE_LIGNE, fois=2)
    execution.Fin()
    VerifierFichier(chemin, FichierApresChoix("", "75001", "PARIS"))
    VerifierSeulDansLeDossier(dossier, ["appel.ini"])


def ValidationDuCritereDuFichier(dossier):
    # The starting criterion comes from the file; the search selects the
    # first line by itself, so Valider alone chooses it.
    chemin = Preparer(dossier, Fichier("42000"))
    execution = Execution(dossier, [chemin])
    recherche = execution.Fenetre("Recherche")
    ChercherCp(recherche)
    Cliquer(recherche, BOUTON_VALIDER)
    execution.Fin()
    VerifierFichier(chemin, FichierApresChoix("42000", "42000", "SAINT-ÉTIENNE"))


def EntreeDesLOuverture(dossier):
    # The focus starts on Annuler: Enter at once cancels, even with a
    # starting criterion in the file.
    chemin = Preparer(dossier, Fichier("75001"))
    execution = Execution(dossier, [chemin])
    execution.Fenetre("Recherche")
    Touche("Return")
    execution.Fin()
    VerifierFichier(chemin, FichierApresAbandon("75001"))


def CaseDeFermeture(dossier):
    # A line is selected when the window is closed: still nothing is written.
    chemin = Preparer(dossier, Fichier())
    execution = Execution(dossier, [chemin])
    recherche = execution.Fenetre("Recherche")
    ChercherCp(recherche, "75001")
    FermerParLaCase(recherche)
    execution.Fin()
    VerifierFichier(chemin, Fichier())
    VerifierSeulDansLeDossier(dossier, ["appel.ini"])


def MessageSansDialogue(dossier, arguments):
    execution = Execution(dossier, arguments)
    execution.Fenetre("Quilvarest")
    Verifier(not Fenetres(execution.processus.pid, "Recherche"), "the dialog is shown beside the message")
    Touche("Return")
    execution.Fin()


def DeuxArguments(dossier):
    # Even a valid configuration file as first argument is left alone.
    chemin = Preparer(dossier, Fichier("75001"))
    MessageSansDialogue(dossier, [chemin, chemin])
    VerifierFichier(chemin, Fichier("75001"))


def AucunArgument(dossier):
    MessageSansDialogue(dossier, [])


def FichierAbsentAuDemarrage(dossier):
    chemin = os.path.join(dossier, "appel.ini")
    execution = Execution(dossier, [chemin])
    execution.Fenetre("Quilvarest")
    Touche("Return")
    execution.Fin()
    VerifierSeulDansLeDossier(dossier, [])


def FichierSupprimeAvantValider(dossier):
    chemin = Preparer(dossier, Fichier())
    execution = Execution(dossier, [chemin])
    recherche = execution.Fenetre("Recherche")
    # Once a line shows selected, the file has been read at activation: only
    # then is it taken away, as another program would.
    ChercherCp(recherche, "75001")
    os.remove(chemin)
    Cliquer(recherche, BOUTON_VALIDER)
    execution.Fenetre("Quilvarest")
    Touche("Return")
    execution.Fin()
    VerifierSeulDansLeDossier(dossier, [])


CAS = [
    ("75001 typed, Enter, double-click on the first line: Cp, Ville, Erreur=0; window class of the desktop entry",
     ValidationParDoubleClic),
    ("42000 read from the file, Enter, Valider: the first line is chosen", ValidationDuCritereDuFichier),
    ("Enter at once (focus on Annuler): Erreur=1 only", EntreeDesLOuverture),
    ("close box (WM_DELETE_WINDOW): file unchanged", CaseDeFermeture),
    ("two arguments: message, status 0, file unchanged", DeuxArguments),
    ("no argument: message, status 0", AucunArgument),
    ("missing file at start: message, status 0, not created", FichierAbsentAuDemarrage),
    ("file deleted before Valider: message, status 0, not created", FichierSupprimeAvantValider),
]


# The Python caller of examples/, run as an integrator would, its output read:
# in the source tree, or beside this folder where scripts/paquet.sh copies
# both into its throwaway root.
ICI = os.path.dirname(os.path.abspath(__file__))
EXEMPLE_PYTHON = os.path.join(ICI, "..", "..", "examples", "appelant.py")
if not os.path.isfile(EXEMPLE_PYTHON):
    EXEMPLE_PYTHON = os.path.join(ICI, "..", "examples", "appelant.py")


def ExemplePython(dossier, cp, action, attendu):
    with open(dossier + ".log", "wb") as journal:
        appelant = Lancer([sys.executable, EXEMPLE_PYTHON, QUILVAREST, cp], cwd=dossier, env=ENVIRONNEMENT,
                          stdout=subprocess.PIPE, stderr=journal)
        recherche = AttendreFenetre(appelant, "Recherche", la_sienne=False)
        action(recherche)
        try:
            sortie, _ = appelant.communicate(timeout=DELAI)
        except subprocess.TimeoutExpired:
            raise Echec(f"the example still runs {DELAI} s after the last action")
    Verifier(appelant.returncode == 0, f"the example exited with {appelant.returncode}")
    texte = sortie.decode("utf-8", "replace").strip()
    Verifier(texte == attendu, f"the example printed {texte!r}, not {attendu!r}")


def ExemplePythonChoix(dossier):
    def Choisir(recherche):
        ChercherCp(recherche)
        Cliquer(recherche, PREMIERE_LIGNE, fois=2)

    ExemplePython(dossier, "42000", Choisir, "Choice: 42000 SAINT-ÉTIENNE")


def ExemplePythonAbandon(dossier):
    # The focus starts on Annuler: Enter cancels.
    ExemplePython(dossier, "75001", lambda recherche: Touche("Return"),
                  "No choice: the user cancelled or selected nothing.")


def JouerLesCas(racine, tous):
    reussis, rates = 0, 0
    for numero, (nom, cas) in enumerate(tous, 1):
        dossier = os.path.join(racine, f"cas{numero}")
        os.mkdir(dossier)
        debut_cas = len(lances)
        chrono = time.monotonic()
        try:
            cas(dossier)
        except Exception as erreur:  # any error fails this case, not the others
            rates += 1
            print(f"FAIL {numero}. {nom} ({time.monotonic() - chrono:.1f} s)\n  {type(erreur).__name__}: {erreur}")
            if os.path.exists(dossier + ".log"):
                with open(dossier + ".log", "rb") as sortie:
                    print("  output of the case's programs:\n" + sortie.read().decode("utf-8", "replace"))
        else:
            reussis += 1
            print(f"PASS {numero}. {nom} ({time.monotonic() - chrono:.1f} s)")
        finally:
            # A failed case must not leave its program on the display.
            for processus in lances[debut_cas:]:
                Arreter(processus)
        sys.stdout.flush()
    return reussis, rates


def main():
    global QUILVAREST, SOUS_WINE
    arguments = sys.argv[1:]
    mode = arguments[0] if arguments[:1] in (["--wine"], ["--msi"]) else None
    SOUS_WINE = mode is not None
    if len(arguments) != {None: 1, "--wine": 3, "--msi": 5}[mode]:
        print(__doc__, file=sys.stderr)
        return 2
    if mode == "--msi":
        appelant, msi, msi_suivant = (os.path.abspath(a) for a in arguments[1:4])
        requis = [appelant, msi, msi_suivant, os.path.join(os.path.dirname(msi), "Quilvarest.abs")]
    else:
        QUILVAREST = os.path.abspath(arguments[-1])
        appelant = os.path.abspath(arguments[1]) if SOUS_WINE else None
        # The store lies beside the executable itself: an installed program
        # is started through a symbolic link in /usr/bin.
        magasin = os.path.join(os.path.dirname(os.path.realpath(QUILVAREST)), "Quilvarest.abs")
        requis = filter(None, (QUILVAREST, magasin, appelant))
    for fichier in requis:
        if not os.path.isfile(fichier):
            print(f"FAIL: {fichier} is missing")
            return 1
    outils = {None: ("Xvfb", "xdotool", "strace"), "--wine": ("Xvfb", "xdotool", "wine"),
              "--msi": ("Xvfb", "xdotool", "wine", "msiinfo")}[mode]
    for outil in outils:
        if shutil.which(outil) is None:
            print(f"FAIL: {outil} is missing (scripts/dependances.sh installs it)")
            return 1
    exemples = [("examples/appelant.py: a choice", ExemplePythonChoix),
                ("examples/appelant.py: a cancel", ExemplePythonAbandon)]
    if mode == "--msi":
        tous = cas_installateur.Cas(appelant, msi, msi_suivant, arguments[4])
    else:
        tous = CAS + (cas_appelant.Cas(appelant, QUILVAREST) if SOUS_WINE else exemples + cas_ecrivains.Cas(QUILVAREST))

    ArreterAussiSurSignal()
    with tempfile.TemporaryDirectory(prefix="quilvarest-e2e-") as racine:
        journal_xvfb = open(os.path.join(racine, "xvfb.log"), "w+b")
        try:
            OuvrirEcran(racine, journal_xvfb, focus_donne=SOUS_WINE)
            if SOUS_WINE:
                wine.Adapter(ENVIRONNEMENT)
                wine.AttendreBureauLibre(wine.Prefixe(), DELAI)
            reussis, rates = JouerLesCas(racine, tous)
        except (Echec, OSError) as erreur:
            journal_xvfb.seek(0)
            print(f"FAIL set-up: {erreur}\n" + journal_xvfb.read().decode("utf-8", "replace"))
            return 1
        finally:
            for processus in reversed(lances):
                Arreter(processus)
            journal_xvfb.close()
    print(f"{reussis} passed, {rates} failed")
    return 0 if rates == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
