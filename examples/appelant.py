#!/usr/bin/env python3
"""The smallest correct caller of Quilvarest, on Linux and on Windows.

Usage: appelant.py [PATH_OF_QUILVAREST [POSTAL_CODE [TOWN]]]

Writes a fresh exchange file holding the starting criteria, runs Quilvarest
on it, waits for it to end, then reads the answer back and prints it. The
program's path defaults to "Quilvarest" on the PATH (the Debian package puts
a link in /usr/bin; on Windows, pass the path of Quilvarest.exe). Exits with
0 whether or not the user made a choice; 1 only when the program could not
be run.

One file per call: a fresh temporary folder, removed afterwards, so two
callers never share a file.
"""

import codecs
import configparser
import os
import subprocess
import sys
import tempfile

SECTION = "Quilvarest"


def Ecrire(chemin, cp, ville):
    # UTF-8 with its byte order mark: the file then shows its encoding, and
    # Quilvarest answers in the same one whatever the session's character set.
    with open(chemin, "w", encoding="utf-8-sig", newline="\r\n") as fichier:
        fichier.write(f"[{SECTION}]\nZeruzuvoCp={cp}\nZeruzuvoVille={ville}\n")


def Encodage(octets):
    # Quilvarest keeps the file's encoding: UTF-16LE with its mark, UTF-8
    # (with or without a mark), or Windows-1252 for any other bytes.
    if octets.startswith(codecs.BOM_UTF16_LE):
        return "utf-16"
    if octets.startswith(codecs.BOM_UTF8):
        return "utf-8-sig"
    try:
        octets.decode("utf-8")
        return "utf-8"
    except UnicodeDecodeError:
        return "cp1252"


def Lire(chemin):
    with open(chemin, "rb") as fichier:
        octets = fichier.read()
    # Section and key names match without regard to case, as Windows reads
    # them; values are taken as written, without interpolation.
    lecteur = configparser.ConfigParser(interpolation=None, strict=False)
    lecteur.read_string(octets.decode(Encodage(octets)))
    if not lecteur.has_section(SECTION):
        return {}
    return dict(lecteur[SECTION])


def main():
    programme = sys.argv[1] if len(sys.argv) > 1 else "Quilvarest"
    cp = sys.argv[2] if len(sys.argv) > 2 else ""
    ville = sys.argv[3] if len(sys.argv) > 3 else ""
    with tempfile.TemporaryDirectory(prefix="appel-quilvarest-") as dossier:
        chemin = os.path.join(dossier, "appel.ini")
        Ecrire(chemin, cp, ville)
        try:
            # The exit status is always 0: the answer is in the file.
            subprocess.run([programme, chemin], check=False)
        except OSError as erreur:
            print(f"Quilvarest could not be started: {erreur}", file=sys.stderr)
            return 1
        reponse = Lire(chemin)
    # Erreur first: with Erreur=1, Cp and Ville are not written, and any
    # values they held before stay in the file.
    if reponse.get("erreur") == "0":
        print(f"Choice: {reponse.get('cp', '')} {reponse.get('ville', '')}")
    elif reponse.get("erreur") == "1":
        print("No choice: the user cancelled or selected nothing.")
    else:
        print("No answer: the window was closed, or the file was missing.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
