#pragma once

#include <QApplication>
#include <memory>

// The start of the one line written on the standard error when no display can
// be reached; Qt's reason follows it in brackets.
extern const char* const kMessageSansAffichage;

// Creates the application object, or returns null when the process already
// has one (tests run the entry in their own process).
//
// Where Qt finds no display to open (no DISPLAY, an X server that refuses the
// connection, a Wayland session without Qt's Wayland plugin and no X server to
// fall back on), it would abort the process: status 134 and a few English
// lines about platform plugins. Instead one line goes to the standard error,
// kMessageSansAffichage then Qt's messages of the failed creation in brackets
// (so that the failure can be diagnosed), and the process ends at once with
// status 0, as on every
// other path; nothing has been read or written by then. Qt's own messages of
// a successful creation are passed on unchanged once it has succeeded.
std::unique_ptr<QApplication> CreerApplication(int& argc, char** argv);
