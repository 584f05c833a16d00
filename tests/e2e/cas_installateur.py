"""The Windows installer under Wine, in the build's prefix: installed per
machine with msiexec, the installed program driven through the C example and
found by name through App Paths, replaced in place by the next version's
installer, then uninstalled, leaving neither files nor keys.
"""

import filecmp
import os
import re
import subprocess

import cas_appelant
import wine
from pilote import DELAI, ENVIRONNEMENT, AttendreFenetre, Echec, Lancer, Touche, Verifier

DOSSIER_WINDOWS = "C:\\Program Files\\Quilvarest\\"
CHEMINS = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quilvarest.exe"
DESINSTALLATION = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"


def Proprietes(msi):
    """The installer's Property table, as msiinfo exports it."""
    sortie = subprocess.run(["msiinfo", "export", msi, "Property"], capture_output=True, text=True, check=True,
                            timeout=DELAI).stdout
    return dict(ligne.partition("\t")[::2] for ligne in sortie.splitlines()[3:])


def Wine(*commande):
    return subprocess.run(wine.Commande(commande[0], list(commande[1:])), env=ENVIRONNEMENT, capture_output=True,
                          timeout=DELAI * 3)


def Msiexec(action, msi):
    resultat = Wine("msiexec", action, wine.CheminWindows(msi), "/qn")
    Verifier(resultat.returncode == 0, f"msiexec {action} {os.path.basename(msi)} ended with {resultat.returncode}")


def Cle(cle):
    """The values of a registry key, as `reg query` lists them ("(Default)"
    for the unnamed one), or None when there is no such key."""
    resultat = Wine("reg", "query", cle)
    if resultat.returncode != 0:
        return None
    valeurs = {}
    for ligne in resultat.stdout.decode("utf-8", "replace").splitlines():
        trouve = re.match(r"^    (.+?)    REG_\w+    (.*)$", ligne)
        if trouve:
            valeurs[trouve[1]] = trouve[2]
    return valeurs


def Cas(appelant, msi, msi_suivant, version):
    """The cases, as (name, function of the case's folder)."""
    construction = os.path.dirname(msi)
    dossier_installe = os.path.join(wine.Prefixe(), "drive_c", "Program Files", "Quilvarest")
    premier, suivant = Proprietes(msi), Proprietes(msi_suivant)

    def VerifierInstalle(proprietes, version_attendue):
        for nom in ("Quilvarest.exe", "Quilvarest.abs"):
            installe = os.path.join(dossier_installe, nom)
            Verifier(os.path.isfile(installe) and filecmp.cmp(installe, os.path.join(construction, nom), False),
                     f"{installe} is not the build's {nom}")
        avis = os.path.join(dossier_installe, "licences", "AVIS-TIERS.txt")
        Verifier(os.path.isfile(avis), f"{avis} is missing")
        chemins = Cle(CHEMINS)
        attendu = {"(Default)": DOSSIER_WINDOWS + "Quilvarest.exe", "Path": DOSSIER_WINDOWS}
        Verifier(chemins == attendu, f"App Paths holds {chemins!r}, not {attendu!r}")
        entree = Cle(DESINSTALLATION + proprietes["ProductCode"]) or {}
        obtenu = (entree.get("DisplayName"), entree.get("DisplayVersion"))
        Verifier(obtenu == ("Quilvarest", version_attendue),
                 f"Programs and Features shows {obtenu!r}, not Quilvarest {version_attendue}")

    def ParSonNom(dossier):
        # ShellExecute (start) finds the program by its bare name through App
        # Paths only: nothing of the prefix's PATH holds it. Enter cancels.
        ini = os.path.join(dossier, "nom", "appel.ini")
        os.makedirs(os.path.dirname(ini))
        with open(ini, "wb") as fichier:
            fichier.write(b"[Quilvarest]\r\nZeruzuvoCp=75001\r\n")
        with open(dossier + ".log", "ab") as erreurs:
            lance = Lancer(wine.Commande("start", ["/wait", "Quilvarest.exe", wine.CheminWindows(ini)]), cwd=dossier,
                           env=ENVIRONNEMENT, stdout=erreurs, stderr=erreurs)
        AttendreFenetre(lance, "Recherche", la_sienne=False)
        Touche("Return")
        try:
            lance.wait(timeout=DELAI)
        except subprocess.TimeoutExpired:
            raise Echec(f"start /wait still waits {DELAI} s after the last action")
        with open(ini, "rb") as fichier:
            contenu = fichier.read()
        Verifier(contenu == b"[Quilvarest]\r\nZeruzuvoCp=75001\r\nErreur=1\r\n", f"the file holds {contenu!r}")

    def InstallationMiseAJourDesinstallation(dossier):
        try:
            Msiexec("/i", msi)
            VerifierInstalle(premier, version)
            # The caller starts the installed program by its path, which
            # holds a blank: only a quoted path starts it.
            appel = cas_appelant.Appel(appelant, DOSSIER_WINDOWS + "Quilvarest.exe", dossier, "42000", "")
            cas_appelant.ValiderLaPremiereLigne(appel)
            appel.Lu("Choice: 42000 SAINT-ÉTIENNE")
            ParSonNom(dossier)
            # The next version replaces this one: one entry left, its own.
            Msiexec("/i", msi_suivant)
            VerifierInstalle(suivant, suivant["ProductVersion"])
            Verifier(Cle(DESINSTALLATION + premier["ProductCode"]) is None, "the first version is still listed")
            Msiexec("/x", msi_suivant)
            Verifier(not os.path.exists(dossier_installe), f"{dossier_installe} is left after uninstalling")
            for cle in (CHEMINS, DESINSTALLATION + suivant["ProductCode"]):
                Verifier(Cle(cle) is None, f"{cle} is left after uninstalling")
        finally:
            # A failed case must not leave the program installed in the
            # build's prefix for the next run.
            for installateur in (msi_suivant, msi):
                Wine("msiexec", "/x", wine.CheminWindows(installateur), "/qn")

    return [
        (f"installer {os.path.basename(msi)}: installed per machine, App Paths and Programs and Features "
         f"{version}; the example's choice of SAINT-ÉTIENNE and a cancel by name through ShellExecute; replaced by "
         f"{suivant['ProductVersion']}; uninstalled, nothing left", InstallationMiseAJourDesinstallation),
    ]
