#pragma once

class Messagerie;

// The whole course of the program, as main runs it. Exactly one argument, the
// configuration file path, is expected: with none or several, only the message
// "Erreur : Fichier de configuration manquant." is shown (the application
// object is created for it, and nothing else: no style, no dialog, no store).
// Otherwise the style is applied, the dialog created and handed the path, and
// the event loop runs until the dialog closes. An error escaping these steps
// is shown through messagerie. Returns the exit status: 0 on every path.
//
// An application object that already exists is used as is, so tests can run
// this in their own process.
int Demarrer(int& argc, char** argv, Messagerie& messagerie);
