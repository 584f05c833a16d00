#include "ParametresSql.h"

#include "Echec.h"

#include <string>

namespace {

// Position just past the quoted run that opens at texte[debut] and closes
// with the same quote character, a doubled quote standing for one; npos when
// the closing quote is missing. Each doubled quote is added once to contenu.
std::size_t FinCitation(const std::string& texte, std::size_t debut, std::string* contenu) {
    const char guillemet = texte[debut];
    for (std::size_t i = debut + 1; i < texte.size(); ++i) {
        if (texte[i] == guillemet) {
            if (i + 1 < texte.size() && texte[i + 1] == guillemet) {
                ++i;
            } else {
                return i + 1;
            }
        }
        if (contenu != nullptr) {
            *contenu += texte[i];
        }
    }
    return std::string::npos;
}

// Position just past the first occurrence of fin after debut, or the end of
// the text: an unclosed comment or bracket runs to the end, as in the engine.
std::size_t Jusqua(const std::string& texte, std::size_t debut, const char* fin) {
    const std::size_t position = texte.find(fin, debut);
    return position == std::string::npos ? texte.size() : position + std::char_traits<char>::length(fin);
}

bool CaractereDeMot(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

} // namespace

RequeteParametree ParametrerRequete(const std::string& texte) {
    RequeteParametree resultat;
    resultat.sql.reserve(texte.size());
    std::size_t i = 0;
    while (i < texte.size()) {
        const char c = texte[i];
        const char suivant = i + 1 < texte.size() ? texte[i + 1] : '\0';
        std::size_t fin = i + 1;
        if (c == '"') {
            // A "value": becomes a parameter.
            std::string valeur;
            fin = FinCitation(texte, i, &valeur);
            if (fin == std::string::npos) {
                throw Echec("Guillemet non fermé dans la requête : " + texte);
            }
            resultat.valeurs.push_back(std::move(valeur));
            resultat.sql += '?' + std::to_string(resultat.valeurs.size());
            // ?1 followed by a digit or a letter would read as another token.
            if (fin < texte.size() && CaractereDeMot(texte[fin])) {
                resultat.sql += ' ';
            }
            i = fin;
            continue;
        }
        if (c == '\'') {
            // A 'literal': copied whole.
            fin = FinCitation(texte, i, nullptr);
            if (fin == std::string::npos) {
                throw Echec("Apostrophe non fermée dans la requête : " + texte);
            }
        } else if (c == '`') {
            // A `name`: copied whole; the engine rejects an unclosed one.
            fin = FinCitation(texte, i, nullptr);
            fin = fin == std::string::npos ? texte.size() : fin;
        } else if (c == '[') {
            // A [name].
            fin = Jusqua(texte, i, "]");
        } else if (c == '-' && suivant == '-') {
            // A -- comment, to the end of the line.
            fin = Jusqua(texte, i, "\n");
        } else if (c == '/' && suivant == '*') {
            // A /* comment */.
            fin = Jusqua(texte, i + 2, "*/");
        }
        resultat.sql.append(texte, i, fin - i);
        i = fin;
    }
    return resultat;
}
