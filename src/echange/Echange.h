#pragma once

#include <string>

class Messagerie;

// The configuration file shared with the calling application: section
// "Quilvarest", keys "ZeruzuvoCp" and "ZeruzuvoVille" read, "Cp", "Ville" and
// "Erreur" written. Neither routine ever creates the file. Both raise Echec
// when the file cannot be read or written as it must be.

// The starting criteria the caller left for the dialog.
struct CriteresDepart {
    std::string Cp;
    std::string Ville;
};

// Reads the starting criteria of FichierConfig. Returns true when no file
// exists there: the message "Le fichier de configuration n'existe pas." has
// then been shown and criteres is left as it was. Otherwise returns false with
// both criteria, "" for an absent section or key.
bool ChargerConfig(const std::string& FichierConfig, CriteresDepart& criteres, Messagerie& messagerie);

// Records the outcome in FichierConfig. entree is the selected list entry
// ("75001 - PARIS"), empty when nothing is selected; an empty entry counts as
// an abandon. A choice writes "Cp" (characters 1 to 5), "Ville" (characters 9
// to the end) and "Erreur" = 0 in one replacement of the file; an abandon
// writes "Erreur" = 1 alone and leaves any earlier "Cp" and "Ville" as they
// were. A missing file shows its message and nothing is written. A write that
// fails raises Echec and leaves the file unchanged.
void EnregistrerChoix(const std::string& FichierConfig, const std::string& entree, bool abandon,
                      Messagerie& messagerie);
