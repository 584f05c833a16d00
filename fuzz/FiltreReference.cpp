#include "FiltreReference.h"

#include "ComposerRequete.h"
#include "Utf8Reference.h"
#include "Verifier.h"

#include <QChar>
#include <QString>
#include <algorithm>
#include <iterator>

namespace {

// The folded letters of each code point below U+0180; empty where the
// character is kept as it is.
std::u32string gRepli[0x180];

// A byte outside well-formed UTF-8 stands for itself, apart from every
// character.
constexpr char32_t kOctet = 0x110000;

// Pattern tokens: a folded unit, % or _.
constexpr char32_t kJoker = 0xFFFFFFF0;
constexpr char32_t kUnCaractere = 0xFFFFFFF1;

bool Separe(const Unite& unite) {
    return !unite.suite &&
           (unite.valeur == U' ' || unite.valeur == U'-' || unite.valeur == U'\'' || unite.valeur == U'\u2019');
}

bool Blanc(const Unite& unite) {
    return unite.valeur == U' ' && !unite.suite;
}

} // namespace

// La Poste's spellings: every run of separators as one blank, then each whole
// word ST, STE, STS, STES (a full stop after it included) that a blank follows
// spelled out as SAINT, SAINTE, SAINTS, SAINTES. debutMot: whether the first
// unit may start a word; finMot: whether the end ends one, as a blank would.
std::vector<Unite> Canonique(const std::vector<Unite>& unites, bool debutMot, bool finMot) {
    std::vector<Unite> blancs;
    for (const Unite& unite : unites) {
        if (!Separe(unite)) {
            blancs.push_back(unite);
        } else if (blancs.empty() || !Blanc(blancs.back())) {
            blancs.push_back({U' ', false});
        }
    }
    std::vector<Unite> resultat;
    static const std::u32string kMots[] = {U"STES", U"STS", U"STE", U"ST"};
    for (std::size_t i = 0; i < blancs.size();) {
        const bool debut = i == 0 ? debutMot : Blanc(blancs[i - 1]);
        bool remplace = false;
        for (const std::u32string& mot : kMots) {
            if (!debut) {
                break;
            }
            std::size_t j = i;
            std::size_t k = 0;
            while (k < mot.size() && j < blancs.size() && !blancs[j].suite && blancs[j].valeur == mot[k]) {
                ++j;
                ++k;
            }
            if (k < mot.size()) {
                continue;
            }
            const auto finDeMot = [&](std::size_t position) {
                return position < blancs.size() ? Blanc(blancs[position]) : finMot;
            };
            if (j < blancs.size() && blancs[j].valeur == U'.' && !blancs[j].suite && finDeMot(j + 1)) {
                ++j;
            }
            if (finDeMot(j)) {
                for (const char32_t c : U"SAINT" + mot.substr(2)) {
                    resultat.push_back({c, false});
                }
                i = j;
                remplace = true;
                break;
            }
        }
        if (!remplace) {
            resultat.push_back(blancs[i]);
            ++i;
        }
    }
    return resultat;
}

namespace {

// The tokens of a LIKE pattern: the literal runs between % and _ folded as
// texts are, a run after _ not starting a word, a run before % ending one
// only when finAvantJoker.
std::vector<char32_t> Jetons(const std::string& motif, bool finAvantJoker) {
    std::vector<char32_t> jetons;
    std::string litteral;
    bool debutMot = true;
    const auto vider = [&](bool finMot) {
        for (const Unite& unite : Canonique(Replier(litteral), debutMot, finMot)) {
            jetons.push_back(unite.valeur);
        }
        litteral.clear();
    };
    for (std::size_t i = 0; i < motif.size();) {
        const std::size_t debut = i;
        char32_t point = 0;
        const bool valide = LireUtf8(motif, i, point);
        if (valide && (point == U'%' || point == U'_')) {
            vider(point == U'%' && finAvantJoker);
            debutMot = point == U'%';
            jetons.push_back(point == U'%' ? kJoker : kUnCaractere);
        } else {
            litteral += motif.substr(debut, i - debut);
        }
    }
    vider(true);
    return jetons;
}

// Y LIKE X over folded texts, as the set of the text positions the pattern
// read so far can end at: no backtracking to get wrong.
bool Correspond(const std::vector<char32_t>& jetons, const std::vector<Unite>& unites) {
    const std::size_t n = unites.size();
    std::vector<char> possibles(n + 1, 0);
    std::vector<char> suivants(n + 1, 0);
    possibles[0] = 1;
    for (const char32_t jeton : jetons) {
        std::fill(suivants.begin(), suivants.end(), 0);
        bool atteint = false;
        for (std::size_t j = 0; j <= n; ++j) {
            if (jeton == kJoker) {
                atteint = atteint || possibles[j] != 0;
                suivants[j] = atteint ? 1 : 0;
            } else if (possibles[j] != 0 && j < n && jeton == kUnCaractere) {
                std::size_t fin = j + 1;
                while (fin < n && unites[fin].suite) {
                    ++fin;
                }
                suivants[fin] = 1;
            } else if (possibles[j] != 0 && j < n && unites[j].valeur == jeton) {
                suivants[j + 1] = 1;
            }
        }
        possibles.swap(suivants);
    }
    return possibles[n] != 0;
}

bool MemeUnites(const std::vector<Unite>& a, const std::vector<Unite>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Unite& x, const Unite& y) { return x.valeur == y.valeur; });
}

constexpr const char* kAvant[4] = {"", "%", "", "%"};
constexpr const char* kApres[4] = {"%", "%", "", ""};

} // namespace

// Built from Qt's Unicode data rather than from the store's table: the base
// letter of an accented letter is the ASCII letter of its decomposition (ŉ
// and Ŀ included, whose decompositions hold another character too). Letters
// without a decomposition are named one by one.
void PreparerRepli() {
    for (char32_t c = 0; c < 0x80; ++c) {
        gRepli[c] = std::u32string(1, c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c);
    }
    // clang-format off
    const std::pair<char32_t, const char32_t*> sansDecomposition[] = {
        {U'Æ', U"AE"}, {U'æ', U"AE"}, {U'Œ', U"OE"}, {U'œ', U"OE"}, {U'ß', U"SS"}, {U'Ð', U"D"},
        {U'ð', U"D"}, {U'Đ', U"D"}, {U'đ', U"D"}, {U'Ø', U"O"}, {U'ø', U"O"}, {U'Ħ', U"H"},
        {U'ħ', U"H"}, {U'ı', U"I"}, {U'Ł', U"L"}, {U'ł', U"L"}, {U'Ŧ', U"T"}, {U'ŧ', U"T"},
        // No base letter: kept.
        {U'×', U""}, {U'÷', U""}, {U'Þ', U""}, {U'þ', U""}, {U'ĸ', U""}, {U'Ŋ', U""},
        {U'ŋ', U""},
    };
    // clang-format on
    for (char32_t c = 0xC0; c < 0x180; ++c) {
        const auto nomme = std::find_if(std::begin(sansDecomposition), std::end(sansDecomposition),
                                        [c](const auto& entree) { return entree.first == c; });
        if (nomme != std::end(sansDecomposition)) {
            gRepli[c] = nomme->second;
            continue;
        }
        const QString decomposition = QChar::decomposition(c);
        for (const QChar lettre : decomposition) {
            const char16_t u = lettre.unicode();
            if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z')) {
                gRepli[c] += gRepli[u][0];
            }
        }
        Verifier(!gRepli[c].empty(), "pas de lettre de base pour U+" + std::to_string(static_cast<unsigned>(c)));
    }
}

std::vector<Unite> Replier(const std::string& texte) {
    std::vector<Unite> unites;
    for (std::size_t i = 0; i < texte.size();) {
        char32_t point = 0;
        const std::size_t debut = i;
        if (!LireUtf8(texte, i, point)) {
            unites.push_back({kOctet + static_cast<unsigned char>(texte[debut]), false});
            continue;
        }
        if (point >= 0x180 || gRepli[point].empty()) {
            unites.push_back({point, false});
            continue;
        }
        for (std::size_t k = 0; k < gRepli[point].size(); ++k) {
            unites.push_back({gRepli[point][k], k > 0});
        }
    }
    return unites;
}

std::string Entoure(const std::string& critere, int mode) {
    return kAvant[mode] + critere + kApres[mode];
}

Critere::Critere(const std::string& critere, int mode, bool egalReplie)
    : critere_(critere), mode_(mode), egalReplie_(egalReplie), replie_(Canonique(Replier(critere), true, true)),
      jetons_(Jetons(Entoure(critere, mode), false)), variante_(Jetons(Entoure(critere, mode), true)) {}

bool Critere::Garde(const std::string& valeur, const std::vector<Unite>& valeurRepliee) const {
    if (critere_.empty()) {
        return true;
    }
    if (mode_ == EgalA) {
        return egalReplie_ ? MemeUnites(valeurRepliee, replie_) : valeur == critere_;
    }
    // An abbreviation before % is the start of a word, or the whole word.
    return Correspond(jetons_, valeurRepliee) || Correspond(variante_, valeurRepliee);
}
