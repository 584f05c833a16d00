"""The cases of a real Windows caller, under Wine: appelant.exe
(tests/windows/appelant.cpp) writes the criteria into a new file with
WritePrivateProfileStringA, starts Quilvarest.exe and waits for it while the
user's keys and clicks go to the dialog, then reads Cp, Ville and Erreur back
with GetPrivateProfileStringA and prints them in hex. What it read is what a
caller gets: it is compared byte for byte, in code page 1252.
"""

import os
import subprocess

import wine
from dialogue import BOUTON_VALIDER, ChercherCp
from pilote import DELAI, ENVIRONNEMENT, AttendreFenetre, Cliquer, Echec, Lancer, Touche, Verifier

# The caller holds its texts in the ANSI code page, Windows-1252 here.
ANSI = "cp1252"
CRITERES = ["ZeruzuvoCp", "ZeruzuvoVille"]


class Appel:
    """appelant.exe started on dossier/sous_dossier/appel.ini with the two
    criteria; its output goes beside dossier, its errors where the harness
    shows a failed case's output."""

    def __init__(self, appelant, quilvarest, dossier, cp, ville, sous_dossier=""):
        dossier_ini = os.path.join(dossier, sous_dossier)
        os.makedirs(dossier_ini, exist_ok=True)
        ini = wine.CheminWindows(os.path.join(dossier_ini, "appel.ini"))
        self.sortie = dossier + ".sortie"
        arguments = [wine.CheminWindows(quilvarest)] + [t.encode(ANSI).hex() for t in (ini, cp, ville)]
        with open(self.sortie, "wb") as sortie, open(dossier + ".log", "wb") as erreurs:
            self.processus = Lancer(wine.Commande(wine.CheminWindows(appelant), arguments), cwd=dossier,
                                    env=ENVIRONNEMENT, stdout=sortie, stderr=erreurs)

    def Fenetre(self, titre):
        # The dialog is the caller's child: found by its title alone.
        return AttendreFenetre(self.processus, titre, la_sienne=False)

    def Lu(self):
        """Waits for the caller to end; what it read back: {"cles": [...],
        "Cp": bytes or None when absent, "Ville": ..., "Erreur": ...}."""
        try:
            statut = self.processus.wait(timeout=DELAI)
        except subprocess.TimeoutExpired:
            raise Echec(f"the caller still waits {DELAI} s after the last action")
        with open(self.sortie, "rb") as sortie:
            lignes = dict(ligne.partition(" ")[::2] for ligne in sortie.read().decode("ascii").splitlines())
        Verifier(statut == 0, f"the caller ended with status {statut}")
        # Without code page 1252 the bytes below would mean other letters.
        Verifier(lignes.get("acp") == "1252", f"Wine's ANSI code page is {lignes.get('acp')}, not 1252")
        Verifier(lignes.get("statut") == "0", f"Quilvarest's exit status is {lignes.get('statut')}, not 0")
        lu = {"cles": lignes["cles"].split()}
        for cle in ("Cp", "Ville", "Erreur"):
            lu[cle] = None if lignes[cle] == "-" else bytes.fromhex(lignes[cle])
        return lu


def VerifierLu(lu, cles, cp, ville, erreur):
    attendu = {"cles": cles, "Cp": cp, "Ville": ville, "Erreur": erreur}
    Verifier(lu == attendu, f"the caller read back:\n  expected {attendu!r}\n  obtained {lu!r}")


def Cas(appelant, quilvarest):
    """The cases, as (name, function of the case's folder)."""

    def ValiderLaPremiereLigne(dossier, cp, ville):
        """The caller's criteria, Enter in the postal-code box, Valider: what
        the caller reads back."""
        appel = Appel(appelant, quilvarest, dossier, cp, ville)
        recherche = appel.Fenetre("Recherche")
        ChercherCp(recherche)
        Cliquer(recherche, BOUTON_VALIDER)
        return appel.Lu()

    def Validation(dossier):
        # The criterion comes from the caller's file, written in the ANSI code
        # page; the town comes back in it too, its É as the byte 0xC9.
        lu = ValiderLaPremiereLigne(dossier, "42000", "")
        VerifierLu(lu, CRITERES + ["Cp", "Ville", "Erreur"], b"42000", b"SAINT-\xc9TIENNE", b"0")

    def CritereAccentue(dossier):
        # A town criterion with an é (0xE9 in the file) must be read as such,
        # or the search finds nothing and only Erreur=1 comes back.
        lu = ValiderLaPremiereLigne(dossier, "42", "saint-étienne-le")
        VerifierLu(lu, CRITERES + ["Cp", "Ville", "Erreur"], b"42130", b"SAINT-\xc9TIENNE-LE-MOLARD", b"0")

    def AbandonDansUnDossierAccentue(dossier):
        # A user folder with an accent: the caller's ANSI path reaches the
        # dialog through CreateProcessW, and the file is found and written.
        appel = Appel(appelant, quilvarest, dossier, "75001", "", sous_dossier="Hélène")
        appel.Fenetre("Recherche")
        Touche("Return")
        VerifierLu(appel.Lu(), CRITERES + ["Erreur"], None, None, b"1")

    return [
        ("caller (profile API): 42000 from its file, Enter, Valider: SAINT-\\xC9TIENNE read back", Validation),
        ("caller: town criterion with \\xE9, Enter, Valider: 42130 SAINT-\\xC9TIENNE-LE-MOLARD read back",
         CritereAccentue),
        ("caller in a folder named Hélène: Enter at once: Erreur=1 only", AbandonDansUnDossierAccentue),
    ]
