#!/usr/bin/env python3
"""Kills the program's write of a choice halfway, again and again, and counts
what the kills leave: files neither old nor new, leftover temporary files, and
files whole again after the next run. Or starts a second instance in the
middle of a write and counts what the two leave.

usage: tuer.py ECRIRE_CHOIX [--sur-place] [--tuer N] [--mo TAILLE] [--dossier D]
               [--sonder | --seconde | --chaque-appel]

ECRIRE_CHOIX is the build's ecrire_choix (build/ecrire_choix). --sur-place gives the file a
second name (a hard link), so that it is written in place instead of
replaced. The file is TAILLE MB (97 by default), its section at the top, so
that nearly every byte moves.

By default each kill falls at a moment spread over the time a whole write
takes. --sonder polls the file being written (the temporary file through the
writer's descriptor, or a byte of the caller's file written in place) and
kills the writer inside that write, at a point drawn at random.

--seconde starts a second instance (the same write) at a random moment of
the first one's write, and kills the first one at a later random moment in
half of the runs; it counts the second's outcomes (written, or refused with
its message) and the files torn once both are done and once the next run
has read the file.

--chaque-appel writes a file of a few kilobytes instead, once for each
system call of a whole write from the lock on, killed by strace at that
call (-e inject=CALL:signal=SIGKILL:when=N, N counting that call's own
invocations).

Temporary files are counted right after each kill, and once the next run
has read the file (which removes a temporary file of ours).

Prints one line of figures.
"""
import argparse
import os
import random
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


def taille_temporaire(pid, dossier):
    """The size of the writer's temporary file (named or not), seen through
    its descriptor; None while it has none open."""
    try:
        for fd in os.listdir(f"/proc/{pid}/fd"):
            cible = os.readlink(f"/proc/{pid}/fd/{fd}")
            if cible.startswith(dossier) and (".quilvarest-" in cible or "(deleted)" in cible):
                return os.stat(f"/proc/{pid}/fd/{fd}").st_size
    except OSError:
        pass
    return None


def tuer_en_sondant(processus, chemin, ancien, nouveau, sur_place):
    """Kills processus while it writes the file itself: once the byte at an
    offset drawn at random among those that change holds its new value (in
    place), or once the temporary file has grown past a size drawn at random
    (rename). The kernel copies a large write page by page, so the kill
    falls inside it. False when the write ended first."""
    if sur_place:
        differents = [i for i in range(0, min(len(ancien), len(nouveau)), 4096) if ancien[i] != nouveau[i]]
        rang = random.choice(differents)
        attendu = nouveau[rang:rang + 1]
        with open(chemin, "rb") as fichier:
            while processus.poll() is None and os.pread(fichier.fileno(), 1, rang) != attendu:
                pass
    else:
        cible = random.randint(1, len(nouveau) - 1)
        dossier = os.path.dirname(chemin)
        while processus.poll() is None and (taille_temporaire(processus.pid, dossier) or 0) < cible:
            pass
    if processus.poll() is not None:
        return False
    processus.send_signal(signal.SIGKILL)
    processus.wait()
    return True


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("programme")
    arguments.add_argument("--sur-place", action="store_true")
    arguments.add_argument("--tuer", type=int, default=12)
    arguments.add_argument("--mo", type=int, default=97)
    arguments.add_argument("--dossier", default=None)
    mode = arguments.add_mutually_exclusive_group()
    mode.add_argument("--sonder", action="store_true")
    mode.add_argument("--seconde", action="store_true")
    mode.add_argument("--chaque-appel", action="store_true")
    options = arguments.parse_args()
    if options.chaque_appel:
        options.mo = 0

    dossier = tempfile.mkdtemp(prefix="tuer-", dir=options.dossier)
    env = dict(os.environ, XDG_CACHE_HOME=os.path.join(dossier, "cache"))
    chemin = os.path.join(dossier, "f.ini")
    lignes = [b"[Quilvarest]\r\nZeruzuvoCp=42\r\nZeruzuvoVille=\r\n"]
    taille = len(lignes[0])
    i = 0
    while taille < max(options.mo * 1000 * 1000, 8000):
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

    def remettre(octets):
        if options.sur_place:
            ecrire_sur_place(chemin, octets)
        else:
            with open(chemin, "wb") as fichier:
                fichier.write(octets)

    def etat():
        with open(chemin, "rb") as fichier:
            octets = fichier.read()
        return "ancien" if octets == ancien else "nouveau" if octets == nouveau else "dechire"

    def laisses():
        return [n for n in os.listdir(dossier) if ".quilvarest-" in n]

    def copies():
        return sum(len(f) for _, _, f in os.walk(os.path.join(dossier, "cache")))

    dechires = entiers_apres = laisses_total = laisses_kill = manques = 0
    secondes = {"written": 0, "refused as in use": 0, "failed otherwise": 0}
    appels = []
    if options.chaque_appel:
        # The calls of one whole write, and where its lock is taken.
        remettre(ancien)
        journal = os.path.join(dossier, "strace.log")
        subprocess.run(["strace", "-qq", "-o", journal, options.programme, chemin], env=env, check=True)
        with open(journal) as lignes:
            journal = [ligne for ligne in lignes if ligne.strip()]
        os.unlink(os.path.join(dossier, "strace.log"))
        debut_verrou = next(i for i, ligne in enumerate(journal) if ligne.startswith("flock("))
        # strace counts each call apart: the Nth of its own name.
        vus = {}
        for i, ligne in enumerate(journal):
            nom = ligne.split("(", 1)[0]
            vus[nom] = vus.get(nom, 0) + 1
            if i >= debut_verrou and not nom.startswith("exit"):
                appels.append(f"{nom}:signal=SIGKILL:when={vus[nom]}")
        options.tuer = len(appels)
    for k in range(options.tuer):
        remettre(ancien)
        if options.chaque_appel:
            subprocess.run(["strace", "-qq", "-o", "/dev/null", "-e", "inject=" + appels[k], options.programme, chemin],
                           env=env, stderr=subprocess.DEVNULL)
            processus = None
        else:
            processus = subprocess.Popen([options.programme, chemin], env=env)
        if processus is None:
            pass
        elif options.sonder:
            manques += not tuer_en_sondant(processus, chemin, ancien, nouveau, options.sur_place)
        elif options.seconde:
            time.sleep(duree * random.uniform(0.05, 0.9))
            seconde = subprocess.Popen([options.programme, chemin], env=env, stderr=subprocess.PIPE)
            if k % 2:
                time.sleep(duree * random.uniform(0, 0.5))
                processus.send_signal(signal.SIGKILL)
            processus.wait()
            _, message = seconde.communicate()
            issue = ("written" if seconde.returncode == 0 else
                     "refused as in use" if "utilisé par un autre programme" in message.decode() else
                     "failed otherwise")
            secondes[issue] += 1
        else:
            time.sleep(duree * (0.1 + 0.85 * k / max(1, options.tuer - 1)))
            processus.send_signal(signal.SIGKILL)
            processus.wait()
        apres_tuer = etat()
        dechires += apres_tuer == "dechire"
        laisses_kill += len(laisses())
        subprocess.run([options.programme, chemin, "--lire"], env=env, check=True)
        entiers_apres += etat() != "dechire"
        # What the next run's read leaves is what counts: it removes ours.
        laisses_total += len(laisses())
        for nom in laisses():
            os.unlink(os.path.join(dossier, nom))

    chemin_ecrit = "in place" if options.sur_place else "rename"
    maniere = ("polled into the file's write" if options.sonder else "second instance" if options.seconde else
               "at each system call" if options.chaque_appel else "spread")
    taille_lue = f"{len(ancien)} bytes" if options.chaque_appel else f"{options.mo} MB"
    print(f"{chemin_ecrit}, {maniere}: {taille_lue}, whole write {duree:.2f} s, {options.tuer} runs: "
          f"{dechires} files torn right after, {laisses_kill} temporary files right after, "
          f"{laisses_total} left after the next run, "
          f"{entiers_apres} of {options.tuer} whole after the next run, {copies()} backup copies left"
          + (f", {manques} writes ended before their kill" if options.sonder else "")
          + (", second instance: " + ", ".join(f"{n} {k}" for k, n in secondes.items()) if options.seconde else ""))
    shutil.rmtree(dossier)


if __name__ == "__main__":
    main()
