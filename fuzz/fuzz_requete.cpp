// Fuzz target of the search: random criteria and match modes go through
// ComposerRequete, then through the store (BaseSql, RequeteSql) over a small
// fixture store written by the builder's own code.
//
// Input: byte 0 holds the modes (bits 0-1 the postal code's, bits 2-3 the
// town's), byte 1 the length of the postal-code criterion (cut short at the
// end of the input); every byte left is the town criterion.
//
// What each search must keep:
// - the town criterion is upper-cased, one character for one;
// - no query exactly when both criteria are empty;
// - the query is the statement meant: with its double-quoted strings taken
//   out as the store takes them, it is exactly the head and the conditions
//   over ?1 and ?2, and those strings are the criteria wrapped in the mode's
//   wildcards; a criterion never reaches the statement's text;
// - the store runs it without any error;
// - the rows are exactly, in file order, those a reference filter written
//   here keeps over the fixture rows, following the folding the store
//   documents (RepliSansAccent.h): `=` on Cp compares bytes, `=` on
//   Ville and every LIKE compare folded texts, % matches any run and _ one
//   character, a folded ligature counting as one; the town criterion holds
//   for a row when it holds for its name or one of its other names;
// - a row kept by an other name alone names the first such, any other none.

#include "BaseSql.h"
#include "ComposerRequete.h"
#include "ConstructionBase.h"
#include "Echec.h"
#include "FiltreReference.h"
#include "ParametresSql.h"
#include "Texte.h"
#include "Utf8Reference.h"
#include "Verifier.h"

#include <QChar>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

// The fixture store, one "postal code<TAB>town" per line. Real towns, and
// made-up rows that give each folding rule something to match: every
// accented letter of Latin-1 and Latin Extended-A, the ligatures, the letters
// kept as they are, quotes, wildcards, a NUL, characters beyond Latin.
const std::string kSource = "01000\tBOURG-EN-BRESSE\n"
                            "13001\tMARSEILLE\n"
                            "2A004\tAJACCIO\n"
                            "2B033\tBASTIA\n"
                            "2a999\tAjaccio-Bis\n"
                            "27000\tÉVREUX\n"
                            "27001\tE\xCC\x81VREUX\n" // E and a combining acute accent
                            "42000\tSAINT-ÉTIENNE\n"
                            "42100\tSAINT-ETIENNE\n"
                            "42100\tSaint-Étienne\n"
                            "45000\tORLÉANS\n"
                            "51120\tMŒURS-VERDEY\n"
                            "60400\tBABŒUF\n"
                            "60400\tPONT-L'ÉVÊQUE\n"
                            "75001\tPARIS\n"
                            "75002\tPARIS\n"
                            "94240\tL'HAŸ-LES-ROSES\n"
                            "97411\tSAINT-PIERRE\n"
                            "35400\tSAINT-MALO\n"
                            "38400\tSAINT-MARTIN-D'HÈRES\n"
                            "59114\tSTEENVOORDE\n"
                            "76400\tTOUSSAINT\n"
                            "99021\tST-X  STE. STES.-ST\xE2\x80\x99S\n"
                            "99001\tLE \"HAUT\" BOURG\n"
                            "99002\t100%_REMISE\n"
                            "99003\tA_B%C\n"
                            "99004\tLÆTITIA\n"
                            "99005\tSTRAßE\n"
                            "99006\tSTRASSE\n"
                            "99007\tĲSSELSTEIN\n"
                            "99008\tŁÓDŹ\n"
                            "99009\tÞINGVELLIR\n"
                            "99010\tΑΘΗΝΑ\n"
                            "99011\tαθηνα\n"
                            "99012\tŉ-ſ-ı-Ŀ-ĳ\n"
                            "99013\tØRESUND\n"
                            "99014\tÐÆ×÷Ħŧĸŋðøþđ\n"
                            "99015\tNUL\0OCTET\n"s
                            "99016\tÀÁÂÃÄÅÇÈÉÊËÌÍÎÏÑÒÓÔÕÖÙÚÛÜÝàáâãäåçèéêëìíîïñòóôõöùúûüýÿ\n"
                            "99017\tĀāĂăĄąĆćĈĉĊċČčĎďĒēĔĕĖėĘęĚěĜĝĞğĠġĢģĤĥĨĩĪīĬĭĮįİ\n"
                            "99018\tĴĵĶķĹĺĻļĽľŃńŅņŇňŌōŎŏŐőŔŕŖŗŘřŚśŜŝŞşŠšŢţŤťŨũŪūŬŭŮůŰűŲųŴŵŶŷŸŹźŻżŽž\n"
                            "99019\tªµº¿ oe ae ss ij\n"
                            "99020\t\xF0\x9F\x98\x80 SOURIRE\n"
                            "ÉÉÉÉÉ\tACCENTS\n";

// Other names of fixture rows: "postal code<TAB>town<TAB>other name".
const std::string kAutresNoms = "13001\tMARSEILLE\tMARSEILLE 01\n"
                                "13001\tMARSEILLE\tST-JEAN DU DÉSERT\n"
                                "42000\tSAINT-ÉTIENNE\tSTE. ŒUVRE_100%\n"
                                "60400\tBABŒUF\tBABOEUF-LE-HAUT\n"
                                "99010\tΑΘΗΝΑ\tATHÈNES\n";

using Ligne = std::pair<std::string, std::string>; // (Cp, Ville)

struct AutreNom {
    std::string nom;
    std::vector<Unite> replie;
};

struct Etat {
    std::vector<Ligne> lignes;
    std::vector<std::pair<std::vector<Unite>, std::vector<Unite>>> replies; // lignes, folded
    std::vector<std::vector<AutreNom>> autres;                              // lignes' other names
    BaseSql base;
};
Etat* gEtat = nullptr;

std::string Lister(const std::vector<Ligne>& lignes) {
    std::string texte;
    for (const auto& [cp, ville] : lignes) {
        texte += "\n    " + Lisible(cp) + " | " + Lisible(ville);
    }
    return texte.empty() ? " (aucune)" : texte;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PreparerRepli();
    gEtat = new Etat;
    std::string dossier = std::filesystem::temp_directory_path().string() + "/quilvarest-fuzz-requete.XXXXXX";
    Verifier(::mkdtemp(dossier.data()) != nullptr, "dossier temporaire impossible à créer");
    const std::string chemin = dossier + "/Quilvarest.abs";
    std::istringstream source(kSource);
    std::istringstream autres(kAutresNoms);
    try {
        ConstruireBase(source, "fixture", chemin, &autres, "autres noms");
    } catch (const Echec& erreur) {
        Echouer(std::string("base de fixture : ") + erreur.what());
    }
    std::istringstream lignes(kSource);
    for (std::string ligne; std::getline(lignes, ligne);) {
        const std::size_t tabulation = ligne.find('\t');
        gEtat->lignes.emplace_back(ligne.substr(0, tabulation), ligne.substr(tabulation + 1));
        gEtat->replies.emplace_back(Canonique(Replier(gEtat->lignes.back().first), true, true),
                                    Canonique(Replier(gEtat->lignes.back().second), true, true));
        gEtat->autres.emplace_back();
        std::istringstream noms(kAutresNoms);
        for (std::string autre; std::getline(noms, autre);) {
            if (autre.rfind(ligne + '\t', 0) == 0) {
                const std::string nom = autre.substr(ligne.size() + 1);
                gEtat->autres.back().push_back({nom, Canonique(Replier(nom), true, true)});
            }
        }
    }
    gEtat->base.SetDatabaseFileName(chemin);
    // The connection, once open, keeps the file readable after it is
    // unlinked: nothing stays behind, however libFuzzer ends the process.
    try {
        gEtat->base.Connexion();
    } catch (const Echec& erreur) {
        Echouer(std::string("base de fixture : ") + erreur.what());
    }
    std::error_code ignoree;
    std::filesystem::remove_all(dossier, ignoree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const auto* texte = reinterpret_cast<const char*>(donnees);
    const int modeCp = taille > 0 ? donnees[0] & 3 : 0;
    const int modeVille = taille > 0 ? (donnees[0] >> 2) & 3 : 0;
    const std::size_t longueurCp = taille > 1 ? std::min<std::size_t>(donnees[1], taille - 2) : 0;
    const std::size_t debutVille = std::min<std::size_t>(2 + longueurCp, taille);
    const std::string critereCp(texte + std::min<std::size_t>(2, taille), longueurCp);
    const std::string critereVille(texte + debutVille, taille - debutVille);
    const std::string description = "Cp « " + Lisible(critereCp) + " » mode " + std::to_string(modeCp) + ", Ville « " +
                                    Lisible(critereVille) + " » mode " + std::to_string(modeVille);

    const std::optional<std::string> requete = ComposerRequete(critereCp, critereVille, modeCp, modeVille);
    const std::string ville = AnsiUpperCase(critereVille);
    Verifier(NombreCaracteres(ville) == NombreCaracteres(critereVille),
             "la majuscule a changé la longueur : " + description);
    for (std::size_t i = 0; i < ville.size();) {
        char32_t point = 0;
        Verifier(!LireUtf8(ville, i, point) || QChar::toUpper(point) == point,
                 "minuscule restée dans le critère de ville : " + description);
    }
    Verifier(requete.has_value() == !(critereCp.empty() && critereVille.empty()),
             "requête présente ou absente à tort : " + description);
    if (!requete) {
        return 0;
    }

    // The statement meant, with the criteria as its only two values.
    std::string attendu = "SELECT Cp, Ville FROM Quilvarest WHERE ";
    std::vector<std::string> valeurs;
    const auto condition = [&](const char* colonne, const std::string& critere, int mode) {
        attendu += valeurs.empty() ? "" : " AND ";
        attendu += colonne;
        attendu += (mode == EgalA ? " = ?" : " LIKE ?") + std::to_string(valeurs.size() + 1);
        valeurs.push_back(Entoure(critere, mode));
    };
    if (!critereCp.empty()) {
        condition("Cp", critereCp, modeCp);
    }
    if (!ville.empty()) {
        condition("Ville", ville, modeVille);
    }
    RequeteParametree parametree;
    try {
        parametree = ParametrerRequete(*requete);
    } catch (const Echec& erreur) {
        Echouer(std::string(erreur.what()) + " : " + description);
    }
    Verifier(parametree.sql == attendu && parametree.valeurs == valeurs,
             "instruction inattendue « " + Lisible(*requete) + " » pour " + description);

    // What the store returns.
    std::vector<Ligne> obtenues;
    std::vector<std::string> autresObtenus;
    RequeteSql sql(gEtat->base);
    try {
        sql.ClearSql();
        sql.AddSql(*requete);
        sql.Open();
        while (!sql.Eof()) {
            obtenues.emplace_back(sql.FieldByName("Cp"), sql.FieldByName("Ville"));
            autresObtenus.push_back(sql.AutreNom());
            sql.Next();
        }
        sql.Close();
    } catch (const Echec& erreur) {
        Echouer(std::string("erreur du moteur : ") + erreur.what() + " — " + description);
    }

    // What the reference filter keeps.
    const Critere filtreCp(critereCp, modeCp, false);
    const Critere filtreVille(ville, modeVille, true);
    std::vector<Ligne> gardees;
    std::vector<std::string> autresGardes;
    for (std::size_t i = 0; i < gEtat->lignes.size(); ++i) {
        const Ligne& ligne = gEtat->lignes[i];
        if (!filtreCp.Garde(ligne.first, gEtat->replies[i].first)) {
            continue;
        }
        std::string autre;
        bool gardee = ville.empty() || filtreVille.Garde(ligne.second, gEtat->replies[i].second);
        for (const AutreNom& nom : gEtat->autres[i]) {
            if (!gardee && filtreVille.Garde(nom.nom, nom.replie)) {
                gardee = true;
                autre = nom.nom;
            }
        }
        if (gardee) {
            gardees.push_back(ligne);
            autresGardes.push_back(autre);
        }
    }
    Verifier(obtenues == gardees,
             description + "\n  lignes rendues :" + Lister(obtenues) + "\n  lignes attendues :" + Lister(gardees));
    Verifier(autresObtenus == autresGardes, "autre nom inattendu : " + description);
    return 0;
}
