#pragma once

#include <string>

// Paths stay UTF-8 inside the program and become UTF-16 at each Win32 call:
// the ANSI code page would alter any character it cannot hold.

// UTF-8 to UTF-16; an invalid byte becomes U+FFFD.
std::wstring VersUtf16(const std::string& utf8);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string DepuisUtf16(const std::wstring& utf16);

// The system's text for a Win32 error code, in the user's language, without
// the trailing line break; "erreur N" when the system has none.
std::string TexteErreurWindows(unsigned long code);
