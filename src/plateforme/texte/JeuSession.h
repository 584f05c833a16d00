#pragma once

#include <string>

// The character set of the user's session: the set a file that gives no clue
// of its own encoding (ASCII bytes only, or empty) is written in, as the
// Windows INI functions write it in the ANSI code page.
//
// On Windows it is the ANSI code page (GetACP()). Elsewhere it is the codeset
// of the locale the environment names for character types (LC_ALL, LC_CTYPE,
// LANG, as setlocale(LC_CTYPE, "") reads them), or UTF-8 when that codeset is
// plain ASCII (the C or POSIX locale) or the named locale is not installed.
// The set is found once, at first use, from the environment itself, so the
// answer does not depend on whether the program has called setlocale yet.
//
// Texts come in and go out as narrow strings in UTF-8.

// True when the session's set is UTF-8: narrow strings then go as they are.
bool SessionEnUtf8();

// The set's name as the system gives it: "UTF-8", "ISO-8859-1", "CP1252"...
std::string NomJeuSession();

// utf8 in the session's set. A character the set cannot hold becomes '?', as
// Windows writes it, and so does each byte of utf8 outside well-formed UTF-8.
std::string VersJeuSession(const std::string& utf8);

// Text in the session's set back to UTF-8. A byte the set leaves undefined
// becomes U+FFFD.
std::string DepuisJeuSession(const std::string& octets);
