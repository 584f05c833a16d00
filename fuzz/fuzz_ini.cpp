// Fuzz target of the INI editor (FichierIni): random file bytes, reads of the
// names the file holds, and one random write, on a real file.
//
// Input: byte 0 picks the write, then fields each led by one length byte and
// cut short at the end of the input: the section, then for each pair its key
// and its value (WriteBool: the key only). Every byte left is the file.
//
//   bits 0-1: 0 WriteString, 1 WriteBool, 2 or 3 WriteStrings
//   bit 2: the value WriteBool writes; bits 3-5 % 5: WriteStrings' pair count
//
// What each write must keep:
// - it is refused (Erreur) exactly when a name could not be read
//   back, and then the file is unchanged;
// - the folder holds the file and nothing else: no temporary file is left;
// - the encoding the file is read in stays the same, but for a Windows-1252
//   file left with ASCII alone and for the documented trap (a Windows-1252
//   file left valid UTF-8), where every value must read as the same bytes;
// - each key written reads back its last value as the reader gives it back
//   (trimmed, one pair of outer quotes off, CR and LF as blanks, a character
//   Windows-1252 lacks as '?');
// - every (section, key) of the original text other than those written reads
//   the same before and after;
// - one write changes one stretch of the file: the bytes before and after it
//   are the original ones, the stretch it removes holds no line end, and it
//   adds at most three (a line end, a header, a key), each CRLF when the file
//   has any CRLF, else LF;
// - one write leaves the keys of the section's first occurrence in order and
//   adds its key, when new, after the last of them (or in a new section at
//   the end);
// - WriteStrings gives the same bytes as its pairs written one by one.

#include "EncodageIni.h"
#include "Erreur.h"
#include "FichierIni.h"
#include "LectureIni.h"
#include "Verifier.h"

#include <QString>
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

std::string Lister(const std::vector<QString>& noms) {
    std::string texte;
    for (const QString& nom : noms) {
        texte += " « " + Lisible(nom.toStdString()) + " »";
    }
    return texte;
}

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

// The stretch one write changed: apart from its BOM and its lone last byte,
// which stay, the file keeps its units before and after one stretch; the
// stretch removed holds no line end, the one added at most three.
void VerifierUneModification(const std::string& avant, const std::string& apres) {
    const Forme forme = Analyser(avant);
    const Forme formeApres = Analyser(apres);
    Verifier(formeApres.entete == forme.entete && formeApres.largeur == forme.largeur &&
                 formeApres.queue == forme.queue,
             "forme du fichier changée");
    Verifier(apres.compare(0, forme.entete, avant, 0, forme.entete) == 0, "BOM changé");
    Verifier(apres.compare(apres.size() - forme.queue, forme.queue, avant, avant.size() - forme.queue, forme.queue) ==
                 0,
             "dernier octet impair changé");
    const std::vector<char16_t> a = Unites(avant, forme);
    const std::vector<char16_t> b = Unites(apres, forme);
    std::size_t prefixe = 0;
    while (prefixe < a.size() && prefixe < b.size() && a[prefixe] == b[prefixe]) {
        ++prefixe;
    }
    std::size_t suffixe = 0;
    while (suffixe < a.size() - prefixe && suffixe < b.size() - prefixe &&
           a[a.size() - 1 - suffixe] == b[b.size() - 1 - suffixe]) {
        ++suffixe;
    }
    const std::size_t retirees = FinsDeLigne(a, prefixe, a.size() - suffixe);
    const std::size_t ajoutees = FinsDeLigne(b, prefixe, b.size() - suffixe);
    Verifier(retirees == 0, "une écriture a retiré une fin de ligne à l'unité " + std::to_string(prefixe));
    Verifier(ajoutees <= 3, "une écriture a ajouté " + std::to_string(ajoutees) + " fins de ligne");
    Verifier(a.size() - prefixe - suffixe == 0 || ajoutees == 0,
             "une ligne réécrite sur place a gagné une fin de ligne");

    // Lines added end as the file's lines do: CRLF when it has any, else LF.
    const auto compter = [](const std::vector<char16_t>& unites, bool crlf) {
        std::size_t nombre = 0;
        for (std::size_t i = 0; i < unites.size(); ++i) {
            const bool paire = i + 1 < unites.size() && unites[i] == u'\r' && unites[i + 1] == u'\n';
            const bool lfSeul = unites[i] == u'\n' && (i == 0 || unites[i - 1] != u'\r');
            nombre += crlf ? paire : lfSeul;
        }
        return nombre;
    };
    const auto crSeuls = [](const std::vector<char16_t>& unites) {
        std::size_t nombre = 0;
        for (std::size_t i = 0; i < unites.size(); ++i) {
            nombre += unites[i] == u'\r' && (i + 1 == unites.size() || unites[i + 1] != u'\n');
        }
        return nombre;
    };
    Verifier(crSeuls(b) == crSeuls(a), "une écriture a ajouté un CR seul");
    if (compter(a, true) > 0) {
        Verifier(compter(b, false) == compter(a, false), "une écriture a ajouté un LF seul à un fichier en CRLF");
    } else {
        Verifier(compter(b, true) == 0, "une écriture a ajouté un CRLF à un fichier sans CRLF");
    }
}

// Where one WriteString puts its key: the first section of the name keeps
// its keys in order, and gains the key at its end when it lacked it; a
// missing section is added holding the key alone.
void VerifierPlace(const std::string& avant, const std::string& apres, const std::string& section,
                   const std::string& cle) {
    const Forme forme = Analyser(avant);
    const QString nomSection = Nom(section);
    if (Vue(nomSection, forme.encodage) != nomSection) {
        // Written as another name: the section found is not the one added.
        return;
    }
    // In the documented trap (a Windows-1252 file left valid UTF-8) the file
    // after the write reads its bytes as UTF-8: names are then compared as
    // the bytes the file holds.
    const Forme formeApres = Analyser(apres);
    const bool piege = forme.encodage == EncodageIni::Windows1252 && formeApres.encodage == EncodageIni::Utf8;
    const auto commeRelu = [piege](const QString& nom) {
        return piege ? QString::fromStdString(EnWindows1252(nom.toStdString())) : nom;
    };
    const SectionLue lue = LireSection(Decoder(avant, forme), nomSection);
    const SectionLue relue = LireSection(Decoder(apres, formeApres), commeRelu(nomSection));
    const QString nomCle = Nom(cle);
    const QString nomEcrit = Vue(nomCle, forme.encodage);
    std::vector<QString> attendues = lue.cles;
    const bool presente = nomEcrit == nomCle && std::any_of(attendues.begin(), attendues.end(),
                                                            [&](const QString& c) { return MemeNom(c, nomCle); });
    if (!presente) {
        attendues.push_back(nomEcrit);
    }
    std::transform(attendues.begin(), attendues.end(), attendues.begin(), commeRelu);
    Verifier(relue.trouvee && relue.cles == attendues, "clés de [" + Lisible(section) + "] après l'écriture de « " +
                                                           Lisible(cle) + " » :" + Lister(relue.cles) + " au lieu de" +
                                                           Lister(attendues));

    // Line ends added: none for a key rewritten in place, one for a key line,
    // two for a section and its key; one more when the line before had none,
    // which only the file's last line may lack.
    const std::vector<char16_t> a = Unites(avant, forme);
    const std::size_t ajoutees = FinsDeLigne(Unites(apres, formeApres)) - FinsDeLigne(a);
    const std::size_t minimum = presente ? 0 : (lue.trouvee ? 1 : 2);
    const bool finOuverte = !a.empty() && !EstCrOuLf(a.back());
    Verifier(ajoutees == minimum || (!lue.trouvee && finOuverte && ajoutees == minimum + 1) ||
                 (lue.trouvee && !presente && finOuverte && ajoutees == minimum + 1),
             "l'écriture de « " + Lisible(cle) + " » a ajouté " + std::to_string(ajoutees) + " fins de ligne");
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

// Any section name reads back (a header's name runs to its last ']'); a key
// name holding '=' or starting with ';' or '[' would not.
bool NomsLisibles(const Paires& paires) {
    return std::none_of(paires.begin(), paires.end(), [](const auto& paire) {
        const QString cle = Nom(paire.first);
        return cle.contains(QLatin1Char('=')) || cle.startsWith(QLatin1Char(';')) || cle.startsWith(QLatin1Char('['));
    });
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
    const Forme forme = Analyser(entree.fichier);
    const auto encodage = forme.encodage;
    Verifier(UnitesIni(entree.fichier).Encodage() == encodage, "encodage détecté différent de la règle");

    // Reads of every name the file holds, and of the names about to be written.
    FichierIni ini(chemin);
    std::vector<std::pair<std::string, std::string>> sondes;
    for (const auto& [section, cle] : Sondes(Decoder(entree.fichier, forme))) {
        sondes.emplace_back(section.toStdString(), cle.toStdString());
    }
    for (const auto& paire : entree.paires) {
        sondes.emplace_back(entree.section, paire.first);
    }
    std::vector<std::string> avant;
    for (const auto& [section, cle] : sondes) {
        avant.push_back(ini.ReadString(section, cle, kAbsent));
    }

    const bool lisibles = NomsLisibles(entree.paires);
    bool refusee = false;
    try {
        Ecrire(ini, entree);
    } catch (const Erreur& erreur) {
        refusee = true;
        Verifier(!lisibles, std::string("écriture refusée à tort : ") + erreur.what());
    }
    const std::string apres = LireFichier(chemin);
    VerifierDossier(dossier.chemin, kNomFichier);
    if (refusee || entree.paires.empty()) {
        Verifier(apres == entree.fichier, "fichier modifié par une écriture refusée ou vide");
        return 0;
    }
    Verifier(lisibles, "nom illisible accepté : section « " + Lisible(entree.section) + " »");
    // The encoding the file reads in stays, with two exceptions. A
    // Windows-1252 file left with ASCII alone reads the same in any set. And
    // the trap FichierIni.h documents: a write that removes the only bytes of
    // a Windows-1252 file outside UTF-8 leaves it read as UTF-8. Then every
    // value must still read as the same bytes, which the checks below compare
    // in Windows-1252.
    const EncodageIni encodageApres = UnitesIni(apres).Encodage();
    const bool ascii = std::all_of(apres.begin(), apres.end(), [](char c) { return (c & 0x80) == 0; });
    const bool piege = encodage == EncodageIni::Windows1252 && encodageApres == EncodageIni::Utf8 && !ascii;
    Verifier(encodageApres == encodage || ascii || piege, "l'écriture a changé l'encodage lu du fichier");
    const auto commeLu = [piege](const std::string& utf8) {
        return piege && utf8 != kAbsent ? EnWindows1252(utf8) : utf8;
    };

    // Each key written reads its last value; a name the file's encoding cannot
    // hold is written as something else and is not looked for.
    const QString section = Nom(entree.section);
    const bool sectionTenue = Vue(section, encodage) == section;
    for (std::size_t i = 0; i < entree.paires.size(); ++i) {
        const QString cle = Nom(entree.paires[i].first);
        if (!sectionTenue || Vue(cle, encodage) != cle) {
            continue;
        }
        std::size_t derniere = i;
        for (std::size_t j = i + 1; j < entree.paires.size(); ++j) {
            if (MemeNom(Nom(entree.paires[j].first), cle)) {
                derniere = j;
            }
        }
        const std::string attendu = commeLu(Relu(Vue(SansFinDeLigne(entree.paires[derniere].second), encodage)));
        const std::string lu = ini.ReadString(commeLu(entree.section), commeLu(entree.paires[i].first), kAbsent);
        Verifier(lu == attendu, "clé « " + Lisible(entree.paires[i].first) + " » relue « " + Lisible(lu) +
                                    " » au lieu de « " + Lisible(attendu) + " »");
    }

    // Every other name reads as before. A probe is left out when the file may
    // hold it as one of the names written.
    const auto ecrite = [&](const std::string& sonde, const std::string& ecrit) {
        const QString nomSonde = Nom(sonde);
        const QString nomEcrit = Nom(ecrit);
        return MemeNom(nomSonde, nomEcrit) || MemeNom(nomSonde, Vue(nomEcrit, encodage));
    };
    for (std::size_t k = 0; k < sondes.size(); ++k) {
        const std::string& sondeSection = sondes[k].first;
        const std::string& sondeCle = sondes[k].second;
        const bool touchee = ecrite(sondeSection, entree.section) &&
                             std::any_of(entree.paires.begin(), entree.paires.end(),
                                         [&](const auto& p) { return ecrite(sondeCle, p.first); });
        if (touchee) {
            continue;
        }
        // Names too read as UTF-8 after the trap: asked for as the file's bytes.
        const std::string lu = ini.ReadString(commeLu(sondeSection), commeLu(sondeCle), kAbsent);
        Verifier(lu == commeLu(avant[k]), "[" + Lisible(sondeSection) + "] " + Lisible(sondeCle) + " lu « " +
                                              Lisible(avant[k]) + " » avant l'écriture, « " + Lisible(lu) + " » après");
    }

    // The same pairs one by one, each a single stretch of change. One that
    // leaves a Windows-1252 file with ASCII alone makes the next one write
    // UTF-8, where WriteStrings keeps encoding in Windows-1252: the bytes
    // are then compared only when every step read the file as the first did.
    const std::string cheminSuite = dossier.chemin + "/" + kNomSuite;
    EcrireFichier(cheminSuite, entree.fichier);
    FichierIni suite(cheminSuite);
    std::string precedent = entree.fichier;
    bool memeEncodage = true;
    for (const auto& [cle, valeur] : entree.paires) {
        memeEncodage = memeEncodage && UnitesIni(precedent).Encodage() == encodage;
        suite.WriteString(entree.section, cle, valeur);
        const std::string courant = LireFichier(cheminSuite);
        VerifierUneModification(precedent, courant);
        VerifierPlace(precedent, courant, entree.section, cle);
        precedent = courant;
    }
    std::filesystem::remove(cheminSuite);
    Verifier(!memeEncodage || precedent == apres, "WriteStrings diffère des mêmes paires écrites une à une :\n  "
                                                  "ensemble « " +
                                                      Lisible(apres) + " »\n  une à une « " + Lisible(precedent) +
                                                      " »");
    return 0;
}
