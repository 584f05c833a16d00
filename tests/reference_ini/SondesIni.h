#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// The test's own view of a file, written apart from the editor: which names
// to ask both readers for, and which lines a write changed.

// True for a file without byte order mark holding valid UTF-8 beyond ASCII:
// a caller reads it with the ANSI functions, as the bytes it holds. Every
// other file is read with the wide functions (the ANSI code page decodes
// what has no mark).
bool LuEnAnsi(const QByteArray& contenu);

// The file's lines as text, each with its line end: UTF-16LE after FF FE,
// UTF-8 after EF BB BF or when valid, Latin-1 otherwise (enough for names).
QStringList LignesDe(const QByteArray& contenu);

// The (section, key) pairs the file shows, in order, at most `plafond`: a
// line trimmed of blanks that starts with '[' and holds a ']' names a
// section up to its last ']'; other lines but blank ones and comments name a
// key up to '=' or their end; names end at a NUL. Empty names are left out:
// Windows reads "[]" for an empty section where the reference reads the keys
// before the first header (its own conformance tests mark it), and the ANSI
// function crashes on Windows given an empty key name.
std::vector<std::pair<QString, QString>> SondesDe(const QByteArray& contenu, std::size_t plafond);

// Checks that avant and apres differ only by lines that name a key of cles
// (in any case), headers naming section, and a last line that gained its
// line end. Returns "" or what else changed.
QString LignesHorsEcriture(const QByteArray& avant, const QByteArray& apres, const QString& section,
                           const QStringList& cles);
