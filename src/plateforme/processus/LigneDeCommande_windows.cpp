#include "LigneDeCommande.h"

#include "Utf16Windows.h"

#include <windows.h>

#include <shellapi.h>

std::vector<std::string> ArgumentsProgramme(int, char**) {
    // argv went through the ANSI code page; the wide command line did not.
    int nombre = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &nombre);
    std::vector<std::string> resultat;
    for (int i = 1; i < nombre; ++i) {
        resultat.push_back(DepuisUtf16(arguments[i]));
    }
    LocalFree(arguments);
    return resultat;
}
