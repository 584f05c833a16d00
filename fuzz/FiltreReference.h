#pragma once

#include <string>
#include <vector>

// The search target's reference filter: which fixture rows a criterion keeps,
// worked out apart from the store, from the folding RepliSansAccent.h
// documents. Each letter of ASCII, Latin-1 and Latin Extended-A folds to its
// upper-case base letter, the ligatures to their two letters; every other
// character, and each byte outside well-formed UTF-8, stands for itself.

// One unit of folded text; suite marks the second letter of a ligature.
struct Unite {
    char32_t valeur;
    bool suite;
};

// Builds the folding table; once, before any other call. Aborts when a
// letter of the range has no base letter the rules can find.
void PreparerRepli();

std::vector<Unite> Replier(const std::string& texte);

// Folded units as the comparison reads them: each run of blanks, hyphens and
// apostrophes (' and U+2019) as one blank, and a whole word ST, STE, STS or
// STES, with or without a full stop, spelled out as SAINT, SAINTE, SAINTS or
// SAINTES when a separator follows, or the end when finMot. debutMot: whether
// the first unit may start a word.
std::vector<Unite> Canonique(const std::vector<Unite>& unites, bool debutMot, bool finMot);

// The criterion wrapped in the wildcards of match mode (0..3), as the query
// text carries it.
std::string Entoure(const std::string& critere, int mode);

// One criterion as it applies to a column. An empty criterion keeps every
// row. Mode "Egal à" compares folded texts when egalReplie (Ville, which has
// the accent-free collation), bytes otherwise (Cp); the other modes match the
// wrapped criterion as a LIKE pattern over folded texts, % for any run of
// units and _ for one character (a ligature's two letters together); an
// abbreviation right before % reads as typed, or, all of them at once, spelled
// out.
class Critere {
public:
    Critere(const std::string& critere, int mode, bool egalReplie);

    // Whether the row's value (valeurRepliee: Replier(valeur)) is kept.
    bool Garde(const std::string& valeur, const std::vector<Unite>& valeurRepliee) const;

private:
    std::string critere_;
    int mode_;
    bool egalReplie_;
    std::vector<Unite> replie_;
    std::vector<char32_t> jetons_;
    std::vector<char32_t> variante_; // every abbreviation before % spelled out
};
