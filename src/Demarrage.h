#pragma once

class Messagerie;

// The whole course of the program, as main runs it. Exactly one argument, the
// configuration file path, is expected: with none or several, only the message
// "Erreur : Fichier de configuration manquant." is shown (the application
// object is created for it, and nothing else: no style, no dialog, no store).
// Otherwise the application is prepared (PreparerApplication), the dialog
// created and handed the path, and the event loop runs until the dialog
// closes. An error escaping these steps is shown through messagerie. Returns
// the exit status: 0 on every path. Where no display can be reached, one
// French line goes to the standard error and the process ends with status 0
// before anything else (CreerApplication).
//
// An application object that already exists is used as is, so tests can run
// this in their own process.
int Demarrer(int& argc, char** argv, Messagerie& messagerie);

// The application-wide set-up, done once before the dialog is created: the
// program's resources, its desktop entry name, window icon and font, then its
// visual style (a style that cannot be applied is reported through messagerie
// and start-up goes on). The dialog relies on it; a program or test that
// builds the dialog without Demarrer calls this first.
void PreparerApplication(Messagerie& messagerie);
