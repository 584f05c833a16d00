#!/usr/bin/env python3
"""Kills the program's write of a choice halfway, again and again, and counts
what the kills leave: files neither old nor new, leftover temporary files, and
files whole again after the next run.

usage: tuer.py ECRIRE_CHOIX [--sur-place] [--tuer N] [--mo TAILLE] [--dossier D]

ECRIRE_CHOIX is the build's bench/ecrire_choix. --sur-place gives the file a
second name (a hard link), so that it is written in place instead of
replaced. The file is TAILLE MB (97 by default), its section at the top, so
that nearly every byte moves. Prints one line of figures.
"""
import argparse
import os
import shutil
import signal
import subprocess
import tempfile
import time


def ecrire_sur_place(chemin, octets):
    # Through the file itself, so that its other names keep sharing it.
    with open(chemin, "r+b") as fichier:
        fichier.write(octets)
        fichier.truncate()


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("programme")
    arguments.add_argument("--sur-place", action="store_true")
    arguments.add_argument("--tuer", type=int, default=12)
    arguments.add_argument("--mo", type=int, default=97)
    arguments.add_argument("--dossier", default=None)
    options = arguments.parse_args()

    dossier = tempfile.mkdtemp(prefix="tuer-", dir=options.dossier)
    env = dict(os.environ, XDG_CACHE_HOME=os.path.join(dossier, "cache"))
    chemin = os.path.join(dossier, "f.ini")
    lignes = [b"[Quilvarest]\r\nZeruzuvoCp=42\r\nZeruzuvoVille=\r\n"]
    taille = len(lignes[0])
    i = 0
    while taille < options.mo * 1000 * 1000:
        ligne = b"[Section%d]\r\nCle=valeur de remplissage %d\r\n" % (i, i)
        lignes.append(ligne)
        taille += len(ligne)
        i += 1
    ancien = b"".join(lignes)

    with open(chemin, "wb") as fichier:
        fichier.write(ancien)
    if options.sur_place:
        os.link(chemin, os.path.join(dossier, "autre-nom.ini"))

    # One whole write, timed, gives the new content and the span to kill in.
    debut = time.monotonic()
    subprocess.run([options.programme, chemin], env=env, check=True)
    duree = time.monotonic() - debut
    with open(chemin, "rb") as fichier:
        nouveau = fichier.read()
    assert nouveau != ancien

    def etat():
        with open(chemin, "rb") as fichier:
            octets = fichier.read()
        return "ancien" if octets == ancien else "nouveau" if octets == nouveau else "dechire"

    def laisses():
        return [n for n in os.listdir(dossier) if ".quilvarest-" in n]

    dechires = entiers_apres = laisses_total = 0
    for k in range(options.tuer):
        if options.sur_place:
            ecrire_sur_place(chemin, ancien)
        else:
            with open(chemin, "wb") as fichier:
                fichier.write(ancien)
        processus = subprocess.Popen([options.programme, chemin], env=env)
        time.sleep(duree * (0.1 + 0.85 * k / max(1, options.tuer - 1)))
        processus.send_signal(signal.SIGKILL)
        processus.wait()
        apres_tuer = etat()
        dechires += apres_tuer == "dechire"
        laisses_total += len(laisses())
        for nom in laisses():
            os.unlink(os.path.join(dossier, nom))
        subprocess.run([options.programme, chemin, "--lire"], env=env, check=True)
        entiers_apres += etat() != "dechire"

    chemin_ecrit = "in place" if options.sur_place else "rename"
    print(f"{chemin_ecrit}: {options.mo} MB, whole write {duree:.2f} s, {options.tuer} kills: "
          f"{dechires} files torn right after the kill, {laisses_total} temporary files left, "
          f"{entiers_apres} of {options.tuer} whole after the next run")
    shutil.rmtree(dossier)


if __name__ == "__main__":
    main()
