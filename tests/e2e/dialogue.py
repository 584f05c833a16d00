"""Where the dialog's controls are, and what its user does with them."""

from pilote import AttendreCouleursDifferentes, Cliquer, Taper, Touche

# Positions inside the dialog's client area, from its fixed layout.
CHAMP_CP = (225, 28)  # edtCp: 202, 18, 47 x 21
PREMIERE_LIGNE = (120, 89)  # lstbCp: 16, 82, 449 x 295; its first line spans y 83 to 96 here
BOUTON_VALIDER = (302, 413)  # btnValider: 250, 392, 105 x 43
# Right of any entry's text the selection colour still spans the line; lower
# down the list stays empty.
FIN_PREMIERE_LIGNE = (440, PREMIERE_LIGNE[1])
LISTE_VIDE = (440, 300)


def AttendreLigneSelectionnee(recherche):
    AttendreCouleursDifferentes(recherche, FIN_PREMIERE_LIGNE, LISTE_VIDE, "a selected first line")


def ChercherCp(recherche, code=""):
    # As an operator does: click into the postal-code box, type (nothing keeps
    # the criterion the box holds), Enter; the search is done once its first
    # line shows selected.
    Cliquer(recherche, CHAMP_CP)
    if code:
        Taper(code)
    Touche("Return")
    AttendreLigneSelectionnee(recherche)
