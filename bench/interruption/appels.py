#!/usr/bin/env python3
"""Counts, under strace, the system calls of one Valider's write of a small
file on the rename path: the calls from the lock taken to the rename (both
counted), and how many times the whole run (the start-up's read, then the
write) opens the caller's file by its path.

usage: appels.py ECRIRE_CHOIX

ECRIRE_CHOIX is the build's ecrire_choix (build/ecrire_choix). Prints one line
for a cache without a copies' folder, and one for a cache where an empty one
exists already.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

CONTENU = b"[Quilvarest]\r\nZeruzuvoCp=42\r\n"


def Compter(programme, avec_dossier):
    dossier = tempfile.mkdtemp(prefix="appels-")
    try:
        cache = os.path.join(dossier, "cache")
        os.makedirs(cache, mode=0o700)
        if avec_dossier:
            os.makedirs(os.path.join(cache, "quilvarest", "copies-en-cours"), mode=0o700)
        chemin = os.path.join(dossier, "f.ini")
        with open(chemin, "wb") as fichier:
            fichier.write(CONTENU)
        trace = os.path.join(dossier, "strace.log")
        env = dict(os.environ, XDG_CACHE_HOME=cache, TMPDIR=os.path.join(dossier, "tmp"))
        subprocess.run(["strace", "-f", "-qq", "-o", trace, programme, chemin], env=env, check=True)
        with open(trace) as journal:
            appels = [ligne.split(None, 1)[1] for ligne in journal if ligne.strip()]
    finally:
        shutil.rmtree(dossier)
    nom = re.compile(r'^(open|openat|creat)\(.*"' + re.escape(chemin) + '"')
    ouvertures = sum(1 for appel in appels if nom.match(appel))
    verrou = next(i for i, appel in enumerate(appels) if re.match(r"flock\(\d+, LOCK_EX\|LOCK_NB\) += 0", appel))
    renommage = next(i for i, appel in enumerate(appels) if re.match(r"rename(at2?)?\(", appel) and i > verrou)
    fenetre = appels[verrou:renommage + 1]
    ouverts = sum(1 for appel in fenetre if re.match(r"(open|openat)\(", appel))
    lus = [appel.split("(", 1)[0] for appel in fenetre]
    return len(fenetre), ouverts, ouvertures, " ".join(lus)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    for avec_dossier in (False, True):
        total, ouverts, ouvertures, liste = Compter(sys.argv[1], avec_dossier)
        cas = "empty copies' folder there" if avec_dossier else "no copies' folder"
        print(f"{cas}: {total} calls from the lock to the rename ({ouverts} opens), "
              f"the caller's path opened by name {ouvertures} times in the run")
        print(f"    {liste}")


if __name__ == "__main__":
    main()
