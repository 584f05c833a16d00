#pragma once

#include <string>

// Text stays UTF-8 inside the program and becomes UTF-16 at each Win32 call:
// the ANSI code page would alter any character it cannot hold. Windows only.

// UTF-8 to UTF-16; an invalid byte becomes U+FFFD.
std::wstring VersUtf16(const std::string& utf8);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string DepuisUtf16(const std::wstring& utf16);
