#!/usr/bin/python3
"""Checks a Windows executable as it is shipped.

Usage: verifier_executable.py OBJDUMP VERSION EXECUTABLE

- Imports: every DLL that "OBJDUMP -p" lists must be one of Windows' own
  (the list below); a runtime DLL of the compiler (libstdc++-6.dll,
  libwinpthread-1.dll, libgcc_s_seh-1.dll) or of Qt would be missing on the
  user's machine.
- Resources, read from the .rsrc section: an icon group holding 16, 32 and 48
  pixel images in 32-bit colour, each present; the version resource with
  VERSION (a.b.c.d) as file and product version, in the fixed part and in the
  texts, and no other text; the manifest asking for common controls 6 and to
  run as the invoking user.

Prints one PASS or FAIL line per check; exits non-zero when one failed.
"""

import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

# Windows' own DLLs that a Qt Widgets program may import, lower case. The
# api-ms-win-* names are API sets, resolved by the system itself.
DLL_SYSTEME = {
    "advapi32.dll", "authz.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "d3d9.dll", "d3d11.dll",
    "d3d12.dll", "dwmapi.dll", "dwrite.dll", "dxgi.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll",
    "netapi32.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll", "opengl32.dll", "setupapi.dll", "shcore.dll",
    "shell32.dll", "shlwapi.dll", "user32.dll", "userenv.dll", "uxtheme.dll", "version.dll", "winmm.dll",
    "ws2_32.dll", "wtsapi32.dll",
}
ENSEMBLE_API = re.compile(r"^api-ms-win-[a-z0-9-]+\.dll$")

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
TAILLES_ICONE = {16, 32, 48}

echecs = []


def Resultat(verifie, quoi, detail):
    print(f"{'PASS' if verifie else 'FAIL'} {quoi}: {detail}")
    if not verifie:
        echecs.append(quoi)


# --- Imports ---------------------------------------------------------------


def VerifierImportations(objdump, executable):
    sortie = subprocess.run([objdump, "-p", executable], capture_output=True, text=True, check=True).stdout
    # The import and the delay-import tables both name their DLLs this way.
    dll = re.findall(r"^\s*DLL Name: (\S+)", sortie, re.MULTILINE)
    etrangeres = [nom for nom in dll if nom.lower() not in DLL_SYSTEME and not ENSEMBLE_API.match(nom.lower())]
    if not dll:
        Resultat(False, "imports", "objdump listed no DLL at all: its output was not understood")
    elif etrangeres:
        Resultat(False, "imports", "not a system DLL: " + ", ".join(etrangeres))
    else:
        Resultat(True, "imports", f"{len(dll)} DLLs, all Windows' own")


# --- The resource section --------------------------------------------------


class Ressources:
    """The resources of a PE32+ file: {type: {name: data}}, the first
    language of each name; names are numbers or strings."""

    def __init__(self, contenu):
        self.contenu = contenu
        pe = struct.unpack_from("<I", contenu, 0x3C)[0]
        if contenu[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, taille_optionnel = struct.unpack_from("<H12xH", contenu, pe + 6)
        optionnel = pe + 24
        if struct.unpack_from("<H", contenu, optionnel)[0] != 0x20B:
            raise ValueError("not a 64-bit (PE32+) file")
        # Data directory 2 is the resource table.
        rva_racine = struct.unpack_from("<I", contenu, optionnel + 112 + 2 * 8)[0]
        self.types = {}
        if rva_racine == 0:
            return
        self.sections = []
        for i in range(sections):
            entete = optionnel + taille_optionnel + 40 * i
            taille_virtuelle, rva, taille_brute, position = struct.unpack_from("<IIII", contenu, entete + 8)
            self.sections.append((rva, max(taille_virtuelle, taille_brute), position))
        self.racine = self.Position(rva_racine)
        for type_, sous_repertoire in self.Entrees(self.racine):
            noms = {}
            for nom, langues in self.Entrees(self.racine + sous_repertoire):
                _, feuille = self.Entrees(self.racine + langues)[0]
                rva, taille = struct.unpack_from("<II", contenu, self.racine + feuille)
                noms[nom] = contenu[self.Position(rva):self.Position(rva) + taille]
            self.types[type_] = noms

    def Position(self, rva):
        for debut, taille, position in self.sections:
            if debut <= rva < debut + taille:
                return position + rva - debut
        raise ValueError(f"address {rva:#x} lies in no section")

    def Entrees(self, repertoire):
        """(name or id, offset of the subdirectory or leaf) of a directory."""
        nommees, numerotees = struct.unpack_from("<HH", self.contenu, repertoire + 12)
        entrees = []
        for i in range(nommees + numerotees):
            nom, cible = struct.unpack_from("<II", self.contenu, repertoire + 16 + 8 * i)
            if nom & 0x80000000:
                position = self.racine + (nom & 0x7FFFFFFF)
                longueur = struct.unpack_from("<H", self.contenu, position)[0]
                nom = self.contenu[position + 2:position + 2 + 2 * longueur].decode("utf-16-le")
            entrees.append((nom, cible & 0x7FFFFFFF))
        return entrees


def VerifierIcone(ressources):
    groupes = ressources.types.get(RT_GROUP_ICON, {})
    images = ressources.types.get(RT_ICON, {})
    if not groupes:
        Resultat(False, "icon", "no icon group")
        return
    # Explorer shows the first group: the program's icon.
    nom, groupe = next(iter(groupes.items()))
    _, _, nombre = struct.unpack_from("<HHH", groupe, 0)
    tailles, defauts = set(), []
    for i in range(nombre):
        largeur, hauteur, _, _, _, bits, _, numero = struct.unpack_from("<BBBBHHIH", groupe, 6 + 14 * i)
        largeur, hauteur = largeur or 256, hauteur or 256
        image = images.get(numero)
        if image is None:
            defauts.append(f"{largeur}x{hauteur} image {numero} missing")
            continue
        # Each image is a PNG or a BITMAPINFOHEADER whose height counts the mask.
        if image.startswith(b"\x89PNG"):
            l_image, h_image = struct.unpack_from(">II", image, 16)
            bits_image = 32 if image[25] == 6 else image[24]
        else:
            l_image, h_image, _, bits_image = struct.unpack_from("<iiHH", image, 4)
            h_image //= 2
        if (l_image, h_image) != (largeur, hauteur) or bits != 32 or bits_image != 32:
            defauts.append(f"{largeur}x{hauteur} {bits}-bit announced, {l_image}x{h_image} {bits_image}-bit found")
        if largeur == hauteur:
            tailles.add(largeur)
    manque = TAILLES_ICONE - tailles
    detail = f"group {nom}: {', '.join(str(t) for t in sorted(tailles))} pixels"
    if manque:
        defauts.append("no " + ", ".join(f"{t}x{t}" for t in sorted(manque)) + " image")
    Resultat(not defauts, "icon", "; ".join([detail, *defauts]))


def BlocVersion(donnees, debut):
    """One block of the version resource: (key, value, children, end). A
    block is its length, the length of its value, its type (1: text), its
    UTF-16 key, then the value and the child blocks, each on 4 bytes."""
    longueur, longueur_valeur, texte = struct.unpack_from("<HHH", donnees, debut)
    fin = debut + longueur
    fin_cle = debut + 6
    while donnees[fin_cle:fin_cle + 2] != b"\0\0":
        fin_cle += 2
    cle = donnees[debut + 6:fin_cle].decode("utf-16-le")
    position = (fin_cle + 2 + 3) & ~3
    taille_valeur = longueur_valeur * 2 if texte else longueur_valeur
    valeur = donnees[position:position + taille_valeur]
    if texte:
        valeur = valeur.decode("utf-16-le").rstrip("\0")
    position = (position + taille_valeur + 3) & ~3
    enfants = []
    while position < fin:
        enfant = BlocVersion(donnees, position)
        enfants.append(enfant)
        position = (enfant[3] + 3) & ~3
    return cle, valeur, enfants, fin


def VerifierVersion(ressources, version):
    versions = ressources.types.get(RT_VERSION, {})
    if not versions:
        Resultat(False, "version", "no version resource")
        return
    cle, fixe, enfants, _ = BlocVersion(next(iter(versions.values())), 0)
    defauts = []
    # VS_FIXEDFILEINFO: signature, structure version, then file and product
    # versions, each as two DWORDs (major.minor, build.revision).
    signature, _, fichier_h, fichier_b, produit_h, produit_b = struct.unpack_from("<6I", fixe, 0)
    if cle != "VS_VERSION_INFO" or signature != 0xFEEF04BD:
        defauts.append("no VS_FIXEDFILEINFO")
    for quoi, haut, bas in (("file", fichier_h, fichier_b), ("product", produit_h, produit_b)):
        lue = f"{haut >> 16}.{haut & 0xFFFF}.{bas >> 16}.{bas & 0xFFFF}"
        if lue != version:
            defauts.append(f"fixed {quoi} version {lue}")
    textes = {}
    for nom, _, tables, _ in enfants:
        if nom == "StringFileInfo":
            for _, _, chaines, _ in tables:
                textes.update((c, v) for c, v, _, _ in chaines)
    if textes != {"FileVersion": version, "ProductVersion": version}:
        defauts.append(f"version texts {textes}")
    Resultat(not defauts, "version", "; ".join(defauts) or f"{version} as file and product version, no other text")


def VerifierManifeste(ressources):
    manifestes = ressources.types.get(RT_MANIFEST, {})
    # Id 1 is the manifest Windows reads when it starts the process.
    if 1 not in manifestes:
        Resultat(False, "manifest", "no manifest of id 1")
        return
    racine = ElementTree.fromstring(manifestes[1])
    # Local names only: the elements come from two namespaces (asm.v1, asm.v3).
    elements = {}
    for element in racine.iter():
        elements.setdefault(element.tag.rsplit("}", 1)[-1], []).append(element)
    niveaux = [e.get("level") for e in elements.get("requestedExecutionLevel", [])]
    controles = [e.get("version") for e in elements.get("assemblyIdentity", [])
                 if e.get("name") == "Microsoft.Windows.Common-Controls"]
    defauts = []
    if niveaux != ["asInvoker"]:
        defauts.append(f"execution level {niveaux}")
    if len(controles) != 1 or not controles[0].startswith("6."):
        defauts.append(f"common controls {controles}")
    Resultat(not defauts, "manifest", "; ".join(defauts) or "asInvoker, common controls " + controles[0])


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    objdump, version, executable = sys.argv[1:]
    VerifierImportations(objdump, executable)
    with open(executable, "rb") as fichier:
        contenu = fichier.read()
    try:
        ressources = Ressources(contenu)
    except (ValueError, struct.error, IndexError) as erreur:
        Resultat(False, "resources", f"the resource section cannot be read: {erreur}")
    else:
        VerifierIcone(ressources)
        VerifierVersion(ressources, version)
        VerifierManifeste(ressources)
    return 1 if echecs else 0


if __name__ == "__main__":
    sys.exit(main())
