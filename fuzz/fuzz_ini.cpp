// Fuzz target of the INI editor (FichierIni): random file bytes and one
// random write, on a real file.
//
// Input: byte 0 picks the write, then fields each led by one length byte and
// cut short at the end of the input: the section, then for each pair its key
// and its value (WriteBool: the key only). Every byte left is the file.
//
//   bits 0-1: 0 WriteString, 1 WriteBool, 2 or 3 WriteStrings
//   bit 2: the value WriteBool writes; bits 3-5 % 5: WriteStrings' pair count
//
// The reading rules themselves are checked against the Windows profile
// functions (tests/reference_ini) and by the fixture pairs; this target asks
// only what needs no second reader:
// - no crash and no sanitizer report, on any bytes;
// - a refused write (Echec) leaves the file unchanged;
// - the file is never lost, and the folder holds it and nothing else: no
//   temporary file is left;
// - one write changes one stretch of the file: the bytes before and after it
//   are the original ones, and the stretch it removes holds no line end, so
//   every line the write did not aim at keeps its bytes;
// - a plain value (printable ASCII, no blank at either end, no quote) written
//   with plain names only (ASCII letters and digits) reads back as written.

#include "Echec.h"
#include "FichierIni.h"
#include "Verifier.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using Paires = std::vector<std::pair<std::string, std::string>>;

// Where the folders of the inputs go: /dev/shm when there is one, so that
// the fsync of each replacement costs nothing.
std::string gRacine;

// The folder of one input, removed once the input has passed; a failed check
// aborts and leaves it, with the file as the write left it. libFuzzer's
// children and crashes do not run static destructors: a folder per process
// would stay behind.
struct Dossier {
    std::string chemin;
    Dossier() : chemin(gRacine + "/quilvarest-fuzz-ini.XXXXXX") {
        Verifier(::mkdtemp(chemin.data()) != nullptr, "dossier temporaire impossible à créer");
    }
    ~Dossier() {
        std::error_code ignoree;
        std::filesystem::remove_all(chemin, ignoree);
    }
    Dossier(const Dossier&) = delete;
    Dossier& operator=(const Dossier&) = delete;
};

constexpr char kNomFichier[] = "essai.ini";
constexpr char kNomSuite[] = "suite.ini";
// No value read back can hold a raw 0xFF byte: the reader gives UTF-8.
const std::string kAbsent = "\xFF(absent)\xFF";

void EcrireFichier(const std::string& chemin, const std::string& octets) {
    std::ofstream flux(chemin, std::ios::binary | std::ios::trunc);
    flux.write(octets.data(), static_cast<std::streamsize>(octets.size()));
    Verifier(static_cast<bool>(flux), "écriture de " + chemin);
}

std::string LireFichier(const std::string& chemin) {
    std::ifstream flux(chemin, std::ios::binary);
    Verifier(static_cast<bool>(flux), "lecture de " + chemin);
    return {std::istreambuf_iterator<char>(flux), std::istreambuf_iterator<char>()};
}

void VerifierDossier(const std::string& dossier, const std::string& attendu) {
    for (const auto& entree : std::filesystem::directory_iterator(dossier)) {
        const std::string nom = entree.path().filename().string();
        Verifier(nom == attendu, "fichier resté dans le dossier : " + Lisible(nom));
    }
}

// Bytes per code unit: a UTF-16LE file starts with its byte order mark.
std::size_t Largeur(const std::string& octets) {
    return octets.compare(0, 2, "\xFF\xFE") == 0 ? 2 : 1;
}

// One write keeps the file's units before and after one stretch, and the
// stretch it removes holds no CR or LF: the lines around it are untouched.
void VerifierUneModification(const std::string& avant, const std::string& apres) {
    const std::size_t largeur = Largeur(avant);
    Verifier(Largeur(apres) == largeur, "marque d'ordre des octets changée");
    const std::size_t plusCourt = std::min(avant.size(), apres.size());
    std::size_t prefixe = 0;
    while (prefixe < plusCourt && avant[prefixe] == apres[prefixe]) {
        ++prefixe;
    }
    prefixe -= prefixe % largeur;
    std::size_t suffixe = 0;
    while (suffixe < plusCourt - prefixe && avant[avant.size() - 1 - suffixe] == apres[apres.size() - 1 - suffixe]) {
        ++suffixe;
    }
    // A UTF-16 file of odd length keeps its lone last byte behind its units.
    const std::size_t reste = (avant.size() - prefixe - suffixe) % largeur;
    suffixe -= std::min(suffixe, reste);
    for (std::size_t i = prefixe; i + largeur <= avant.size() - suffixe; i += largeur) {
        const bool haut = largeur == 1 || avant[i + 1] == 0;
        Verifier(!(haut && (avant[i] == '\n' || avant[i] == '\r')),
                 "une écriture a retiré une fin de ligne à l'octet " + std::to_string(i));
    }
}

// Names and values whose reading needs no rule: ASCII letters and digits for
// names; printable ASCII without quotes and without a blank at either end
// for values.
bool NomSimple(const std::string& nom) {
    return !nom.empty() && std::all_of(nom.begin(), nom.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

bool ValeurSimple(const std::string& valeur) {
    return valeur.empty() ||
           (valeur.front() != ' ' && valeur.back() != ' ' && std::all_of(valeur.begin(), valeur.end(), [](char c) {
                return c >= 0x20 && c < 0x7F && c != '"' && c != '\'';
            }));
}

bool MemeNomAscii(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}

struct Entree {
    int operation = 0;
    bool booleen = false;
    std::string section;
    Paires paires;
    std::string fichier;
};

Entree Decouper(const std::uint8_t* donnees, std::size_t taille) {
    std::size_t position = 0;
    const auto octet = [&]() -> std::uint8_t { return position < taille ? donnees[position++] : 0; };
    const auto champ = [&]() {
        const std::size_t annoncee = octet();
        const std::size_t longueur = std::min(annoncee, taille - position);
        std::string texte(reinterpret_cast<const char*>(donnees + position), longueur);
        position += longueur;
        return texte;
    };
    Entree entree;
    const std::uint8_t choix = octet();
    entree.operation = std::min(choix & 3, 2);
    entree.booleen = ((choix >> 2) & 1) != 0;
    entree.section = champ();
    const int nombre = entree.operation == 2 ? ((choix >> 3) & 7) % 5 : 1;
    for (int i = 0; i < nombre; ++i) {
        std::string cle = champ();
        std::string valeur = entree.operation == 1 ? std::string(entree.booleen ? "1" : "0") : champ();
        entree.paires.emplace_back(std::move(cle), std::move(valeur));
    }
    entree.fichier.assign(reinterpret_cast<const char*>(donnees + position), taille - position);
    return entree;
}

void Ecrire(FichierIni& ini, const Entree& entree) {
    if (entree.operation == 0) {
        ini.WriteString(entree.section, entree.paires[0].first, entree.paires[0].second);
    } else if (entree.operation == 1) {
        ini.WriteBool(entree.section, entree.paires[0].first, entree.booleen);
    } else {
        ini.WriteStrings(entree.section, entree.paires);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A file of ASCII bytes takes the session's set: the C locale's ASCII
    // counts as UTF-8, so every run reads such files alike.
    ::setenv("LC_ALL", "C", 1);
    std::error_code erreur;
    gRacine = std::filesystem::is_directory("/dev/shm", erreur) ? std::string("/dev/shm")
                                                                : std::filesystem::temp_directory_path().string();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const Entree entree = Decouper(donnees, taille);
    const Dossier dossier;
    const std::string chemin = dossier.chemin + "/" + kNomFichier;
    EcrireFichier(chemin, entree.fichier);

    FichierIni ini(chemin);
    bool refusee = false;
    try {
        Ecrire(ini, entree);
    } catch (const Echec&) {
        refusee = true;
    }
    const std::string apres = LireFichier(chemin);
    VerifierDossier(dossier.chemin, kNomFichier);
    if (refusee || entree.paires.empty()) {
        Verifier(apres == entree.fichier, "fichier modifié par une écriture refusée ou vide");
        return 0;
    }

    // Plain values under plain names read back as written, the last one
    // written winning for a key named twice. Only when every name written is
    // plain: another name may stand for the same key once read ("Cp\0x" is
    // Cp, as the Windows functions cut names at a NUL).
    const bool nomsSimples =
        NomSimple(entree.section) && std::all_of(entree.paires.begin(), entree.paires.end(),
                                                 [](const auto& paire) { return NomSimple(paire.first); });
    if (nomsSimples) {
        for (std::size_t i = 0; i < entree.paires.size(); ++i) {
            const std::string& cle = entree.paires[i].first;
            const std::string& valeur = entree.paires[i].second;
            const bool derniere =
                std::none_of(entree.paires.begin() + static_cast<std::ptrdiff_t>(i) + 1, entree.paires.end(),
                             [&](const auto& p) { return MemeNomAscii(p.first, cle); });
            if (!derniere || !ValeurSimple(valeur)) {
                continue;
            }
            const std::string lu = ini.ReadString(entree.section, cle, kAbsent);
            Verifier(lu == valeur, "clé « " + Lisible(cle) + " » relue « " + Lisible(lu) + " » au lieu de « " +
                                       Lisible(valeur) + " »");
        }
    }

    // The same pairs one by one: each a single stretch of change.
    const std::string cheminSuite = dossier.chemin + "/" + kNomSuite;
    EcrireFichier(cheminSuite, entree.fichier);
    FichierIni suite(cheminSuite);
    std::string precedent = entree.fichier;
    for (const auto& [cle, valeur] : entree.paires) {
        suite.WriteString(entree.section, cle, valeur);
        const std::string courant = LireFichier(cheminSuite);
        VerifierUneModification(precedent, courant);
        precedent = courant;
    }
    std::filesystem::remove(cheminSuite);
    return 0;
}
