"""Windows programs under Wine, for the end-to-end tests: the command that
starts one, the Windows name of a file, the environment, and the wait for the
prefix's desktop.

The prefix is the one of the Windows build (WINEPREFIX, set by CTest with
WINEDEBUG and WINEDLLOVERRIDES). Wine's windows are X windows on the display
of the environment, so pilote.py drives them as it drives Linux ones.
"""

import os
import time


def Prefixe():
    """The prefix from the environment; the Windows build creates it."""
    prefixe = os.environ.get("WINEPREFIX", "")
    if not os.path.isabs(prefixe) or not os.path.isdir(prefixe):
        raise OSError(f"WINEPREFIX must name the build's Wine prefix, not {prefixe!r}")
    return prefixe


def Commande(programme, arguments):
    return ["wine", programme, *arguments]


def CheminWindows(chemin):
    # Wine's drive Z: is the Unix root.
    return "Z:" + os.path.abspath(chemin).replace("/", "\\")


def Adapter(environnement):
    """Turns the environment of Linux programs into one for Windows ones."""
    # A Windows Qt has only its windows platform: an xcb asked for would stop it.
    environnement.pop("QT_QPA_PLATFORM", None)
    # Wine names Unix files in the locale's character set: UTF-8, as the
    # harness writes them. Its Windows locale is then en-US, whose ANSI code
    # page, 1252, is that of a French Windows too.
    environnement["LC_ALL"] = "C.UTF-8"


def _ProcessusDuBureau(prefixe):
    """The pids of the prefix's desktop processes (explorer.exe) running."""
    trouves = []
    marque = b"WINEPREFIX=" + os.fsencode(prefixe)
    for nom in os.listdir("/proc"):
        if not nom.isdigit():
            continue
        try:
            with open(f"/proc/{nom}/cmdline", "rb") as fichier:
                commande = fichier.read().split(b"\0")[0]
            if not commande.lower().endswith(b"explorer.exe"):
                continue
            with open(f"/proc/{nom}/environ", "rb") as fichier:
                if marque in fichier.read().split(b"\0"):
                    trouves.append(int(nom))
        except OSError:  # ended meanwhile, or another user's
            continue
    return trouves


def AttendreBureauLibre(prefixe, delai):
    """Waits until the prefix has no desktop process. Wine's desktop process
    (explorer.exe) starts with the first program of a prefix, loads the
    graphics driver from that program's environment, and serves every program
    started while it runs: one left by a program without a display (a unit
    test) would leave ours without any window. Once it is gone, the next one
    starts with our display."""
    fin = time.monotonic() + delai
    while _ProcessusDuBureau(prefixe):
        if time.monotonic() > fin:
            raise OSError(f"Wine's desktop process of {prefixe} still runs after {delai} s")
        time.sleep(0.2)
