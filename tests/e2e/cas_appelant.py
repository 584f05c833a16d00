"""The cases of the Windows caller in C, examples/appelant.c, under Wine, as
an integrator copies it: it writes the criteria into a new file with
WritePrivateProfileStringW, which writes it in the ANSI code page, starts
Quilvarest.exe with CreateProcessW and waits for it while the user's keys and
clicks go to the dialog, then reads Erreur, Cp and Ville back with
GetPrivateProfileStringW and prints the outcome in UTF-8. Both sides are
checked: what it printed, which is what a caller gets after the round trip
through the profile functions, and the file's own bytes, in code page 1252.
"""

import glob
import os
import subprocess

import wine
from dialogue import BOUTON_VALIDER, ChercherCp
from pilote import DELAI, ENVIRONNEMENT, AttendreFenetre, Cliquer, Echec, Lancer, Touche, Verifier

CRITERES = ["ZeruzuvoCp", "ZeruzuvoVille"]
ABANDON = "No choice: the user cancelled or selected nothing."


def FichiersTemporaires():
    # The example's own files, qvXXXX.tmp, wherever the prefix keeps its
    # users' temporary folders.
    return set(glob.glob(os.path.join(wine.Prefixe(), "drive_c", "users", "**", "qv*.tmp"), recursive=True))


class Appel:
    """The example started on programme (the Windows path of Quilvarest.exe)
    with the two criteria, on dossier/sous_dossier/appel.ini, or with its own
    temporary file when sous_dossier is None; its errors go where the harness
    shows a failed case's output."""

    def __init__(self, appelant, programme, dossier, cp, ville, sous_dossier=""):
        arguments = [programme, cp, ville]
        self.ini = None
        if sous_dossier is not None:
            os.makedirs(os.path.join(dossier, sous_dossier), exist_ok=True)
            self.ini = os.path.join(dossier, sous_dossier, "appel.ini")
            arguments.append(wine.CheminWindows(self.ini))
        self.temporaires = FichiersTemporaires()
        with open(dossier + ".log", "wb") as erreurs:
            self.processus = Lancer(wine.Commande(wine.CheminWindows(appelant), arguments), cwd=dossier,
                                    env=ENVIRONNEMENT, stdout=subprocess.PIPE, stderr=erreurs)

    def Fenetre(self, titre):
        # The dialog is the caller's child: found by its title alone.
        return AttendreFenetre(self.processus, titre, la_sienne=False)

    def Lu(self, attendu):
        """Waits for the example to end and checks that it printed attendu;
        then the file's section: {"cles": [...], "Cp": bytes or None when
        absent, "Ville": ..., "Erreur": ...}, or None without a file kept."""
        try:
            sortie, _ = self.processus.communicate(timeout=DELAI)
        except subprocess.TimeoutExpired:
            raise Echec(f"the caller still waits {DELAI} s after the last action")
        Verifier(self.processus.returncode == 0, f"the caller ended with status {self.processus.returncode}")
        texte = sortie.decode("utf-8", "replace").strip()
        Verifier(texte == attendu, f"the caller printed {texte!r}, not {attendu!r}")
        restes = FichiersTemporaires() - self.temporaires
        Verifier(not restes, f"the caller left {sorted(restes)}")
        if self.ini is None:
            return None
        with open(self.ini, "rb") as fichier:
            lignes = fichier.read().split(b"\r\n")
        Verifier(lignes[0] == b"[Quilvarest]" and lignes[-1] == b"", f"the file is not one CRLF section: {lignes!r}")
        valeurs = dict(ligne.partition(b"=")[::2] for ligne in lignes[1:-1])
        lu = {"cles": [cle.decode("ascii") for cle in valeurs]}
        for cle in ("Cp", "Ville", "Erreur"):
            lu[cle] = valeurs.get(cle.encode("ascii"))
        return lu


def VerifierLu(lu, cles, cp, ville, erreur):
    attendu = {"cles": cles, "Cp": cp, "Ville": ville, "Erreur": erreur}
    Verifier(lu == attendu, f"the file holds (code page 1252 expected):\n  expected {attendu!r}\n  obtained {lu!r}")


def ValiderLaPremiereLigne(appel):
    """The caller's criteria, Enter in the postal-code box, Valider."""
    recherche = appel.Fenetre("Recherche")
    ChercherCp(recherche)
    Cliquer(recherche, BOUTON_VALIDER)


def Cas(appelant, quilvarest):
    """The cases, as (name, function of the case's folder)."""
    quilvarest = wine.CheminWindows(quilvarest)

    def Validation(dossier):
        # The criterion comes from the caller's file, written in the ANSI code
        # page; the town comes back in it too, its É as the byte 0xC9, which
        # the profile functions read back as É.
        appel = Appel(appelant, quilvarest, dossier, "42000", "")
        ValiderLaPremiereLigne(appel)
        lu = appel.Lu("Choice: 42000 SAINT-ÉTIENNE")
        VerifierLu(lu, CRITERES + ["Cp", "Ville", "Erreur"], b"42000", b"SAINT-\xc9TIENNE", b"0")

    def CritereAccentue(dossier):
        # A town criterion with an é (0xE9 in the file) must be read as such,
        # or the search finds nothing and only Erreur=1 comes back. The
        # example's own temporary file, removed afterwards, as copied.
        appel = Appel(appelant, quilvarest, dossier, "42", "saint-étienne-le", sous_dossier=None)
        ValiderLaPremiereLigne(appel)
        appel.Lu("Choice: 42130 SAINT-ÉTIENNE-LE-MOLARD")

    def AncienneCommune(dossier):
        # A former commune, as the envelope writes it: the commune it belongs
        # to comes back, not the locality.
        appel = Appel(appelant, quilvarest, dossier, "", "tourlaville")
        ValiderLaPremiereLigne(appel)
        lu = appel.Lu("Choice: 50110 CHERBOURG-EN-COTENTIN")
        VerifierLu(lu, CRITERES + ["Cp", "Ville", "Erreur"], b"50110", b"CHERBOURG-EN-COTENTIN", b"0")

    def AbandonDansUnDossierAccentue(dossier):
        # A user folder with an accent: the caller's path reaches the dialog
        # through CreateProcessW, and the file is found and written.
        appel = Appel(appelant, quilvarest, dossier, "75001", "", sous_dossier="Hélène")
        appel.Fenetre("Recherche")
        Touche("Return")
        VerifierLu(appel.Lu(ABANDON), CRITERES + ["Erreur"], None, None, b"1")

    return [
        ("examples/appelant.c: 42000 from its file, Enter, Valider: SAINT-ÉTIENNE read back, 0xC9 in the file",
         Validation),
        ("examples/appelant.c, its temporary file: town criterion with é, Enter, Valider: 42130 "
         "SAINT-ÉTIENNE-LE-MOLARD read back, no file left", CritereAccentue),
        ("examples/appelant.c: former commune tourlaville, Enter, Valider: 50110 CHERBOURG-EN-COTENTIN read back",
         AncienneCommune),
        ("examples/appelant.c in a folder named Hélène: Enter at once: Erreur=1 only", AbandonDansUnDossierAccentue),
    ]
