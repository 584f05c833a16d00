/* The smallest correct caller of Quilvarest on Windows, in C.
 *
 * Usage: appelant QUILVAREST_EXE [POSTAL_CODE [TOWN [FILE]]]
 *
 * Writes the starting criteria into a fresh exchange file with the Windows
 * profile functions, runs Quilvarest.exe on it, waits for it to end, then
 * reads the answer back with the same functions and prints it (UTF-8). FILE,
 * a file that does not exist yet, is where the exchange happens and is kept
 * afterwards; by default a fresh file of the temporary folder, removed
 * afterwards, so that two callers never share one. Exits with 0 whether or
 * not the user made a choice; 1 only when the file could not be written or
 * Quilvarest could not be started.
 *
 * Build: cl appelant.c, or x86_64-w64-mingw32-gcc -municode appelant.c
 * (wmain takes the command line in UTF-16, as Windows holds it).
 */

#include <stdio.h>
#include <wchar.h>
#include <windows.h>

#define SECTION L"Quilvarest"

/* Prints a UTF-16 text as UTF-8. */
static void Afficher(const wchar_t* texte) {
    char utf8[1024];
    if (WideCharToMultiByte(CP_UTF8, 0, texte, -1, utf8, sizeof utf8, NULL, NULL) > 0) {
        fputs(utf8, stdout);
    }
}

/* Starts Quilvarest with the file as its one argument and waits for it. Its
 * exit status is always 0: the answer is in the file. */
static BOOL Executer(const wchar_t* programme, const wchar_t* fichier) {
    /* Both quoted: either path may hold blanks ("Program Files"). */
    wchar_t ligne[2 * MAX_PATH + 8];
    STARTUPINFOW demarrage = {.cb = sizeof demarrage};
    PROCESS_INFORMATION processus;
    if (swprintf(ligne, sizeof ligne / sizeof ligne[0], L"\"%ls\" \"%ls\"", programme, fichier) < 0 ||
        !CreateProcessW(programme, ligne, NULL, NULL, FALSE, 0, NULL, NULL, &demarrage, &processus)) {
        return FALSE;
    }
    WaitForSingleObject(processus.hProcess, INFINITE);
    CloseHandle(processus.hThread);
    CloseHandle(processus.hProcess);
    return TRUE;
}

int wmain(int argc, wchar_t** argv) {
    wchar_t fichier[MAX_PATH], dossier[MAX_PATH], erreur[8], cp[16], ville[256];
    if (argc < 2 || argc > 5) {
        fputs("usage: appelant QUILVAREST_EXE [POSTAL_CODE [TOWN [FILE]]]\n", stderr);
        return 1;
    }
    SetConsoleOutputCP(CP_UTF8);
    if (argc == 5) {
        lstrcpynW(fichier, argv[4], MAX_PATH);
    } else if (!GetTempPathW(MAX_PATH, dossier) || !GetTempFileNameW(dossier, L"qv", 0, fichier)) {
        fprintf(stderr, "No temporary file: error %lu\n", GetLastError());
        return 1;
    }

    /* The profile functions write the file in the ANSI code page, which
     * Quilvarest answers in, and which they read back as written. */
    if (!WritePrivateProfileStringW(SECTION, L"ZeruzuvoCp", argc > 2 ? argv[2] : L"", fichier) ||
        !WritePrivateProfileStringW(SECTION, L"ZeruzuvoVille", argc > 3 ? argv[3] : L"", fichier) ||
        !Executer(argv[1], fichier)) {
        fprintf(stderr, "Quilvarest could not be run: error %lu\n", GetLastError());
        if (argc < 5) {
            DeleteFileW(fichier);
        }
        return 1;
    }

    /* Erreur first: with Erreur=1, Cp and Ville are not written, and any
     * values they held before stay in the file. */
    GetPrivateProfileStringW(SECTION, L"Erreur", L"", erreur, 8, fichier);
    GetPrivateProfileStringW(SECTION, L"Cp", L"", cp, 16, fichier);
    GetPrivateProfileStringW(SECTION, L"Ville", L"", ville, 256, fichier);
    if (argc < 5) {
        DeleteFileW(fichier);
    }
    if (wcscmp(erreur, L"0") == 0) {
        Afficher(L"Choice: ");
        Afficher(cp);
        Afficher(L" ");
        Afficher(ville);
        Afficher(L"\n");
    } else if (wcscmp(erreur, L"1") == 0) {
        Afficher(L"No choice: the user cancelled or selected nothing.\n");
    } else {
        Afficher(L"No answer: the window was closed, or the file was missing.\n");
    }
    return 0;
}
