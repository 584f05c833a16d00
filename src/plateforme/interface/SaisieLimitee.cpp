#include "SaisieLimitee.h"

#include <QLineEdit>
#include <algorithm>

namespace {

// Line breaks as Unicode counts them mandatory: LF, CR, VT, FF, NEL, and the
// line and paragraph separators.
bool EstSautDeLigneUnicode(QChar caractere) {
    switch (caractere.unicode()) {
    case u'\n':
    case u'\r':
    case u'\v':
    case u'\f':
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

} // namespace

SaisieLimitee::SaisieLimitee(QLineEdit* edition, int limite, bool majuscules)
    : QValidator(edition), limite_(limite), majuscules_(majuscules), texteActuel_(edition->text()) {
    // Whoever changed the text (the user or the program), the next change is
    // judged against it.
    connect(edition, &QLineEdit::textChanged, this, [this](const QString& texte) { texteActuel_ = texte; });
    edition->setValidator(this);
}

void SaisieLimitee::PoserTexte(QLineEdit* edition, const QString& texte) {
    // QLineEdit validates program text too; it must be taken whole, or found
    // invalid, after which the line edit would stop refusing what is typed.
    auto* limite = edition->findChild<SaisieLimitee*>(QString(), Qt::FindDirectChildrenOnly);
    if (limite != nullptr) {
        limite->texteProgramme_ = true;
    }
    edition->setText(texte);
    if (limite != nullptr) {
        limite->texteProgramme_ = false;
    }
}

QValidator::State SaisieLimitee::validate(QString& texte, int& position) const {
    if (!texteProgramme_ && !Limiter(texte, position)) {
        return Invalid;
    }
    if (majuscules_) {
        for (QChar& caractere : texte) {
            const char16_t majuscule = caractere.toUpper().unicode();
            caractere = QChar(majuscule);
        }
    }
    return Acceptable;
}

// Cuts what the change inserted down to its part before the first line break,
// then to the room the limit leaves (the limit, or the text's length before
// the change when the program made it longer). The line edit puts the cursor
// right after what it inserted, and keeps after the cursor what followed it
// before. False when nothing of the insertion is left and nothing was
// removed: the change is refused, as a key typed past the limit always was.
bool SaisieLimitee::Limiter(QString& texte, int& position) const {
    const qsizetype maximum = std::max<qsizetype>(limite_, texteActuel_.size());
    const qsizetype suite = texte.size() - position;
    if (position < 0 || suite < 0 || suite > texteActuel_.size()) {
        return texte.size() <= maximum; // not an insertion at the cursor
    }
    // The insertion starts where the new text leaves the old one.
    const qsizetype debutMax = std::min<qsizetype>(position, texteActuel_.size() - suite);
    qsizetype debut = 0;
    while (debut < debutMax && texte[debut] == texteActuel_[debut]) {
        ++debut;
    }
    const qsizetype insere = position - debut;

    qsizetype garde = 0;
    while (garde < insere && !EstSautDeLigneUnicode(texte[debut + garde])) {
        ++garde;
    }
    garde = std::min(garde, std::max<qsizetype>(0, maximum - debut - suite));
    // A character outside the BMP is kept whole or not at all.
    if (garde > 0 && garde < insere && texte[debut + garde - 1].isHighSurrogate()) {
        --garde;
    }
    if (garde == insere) {
        return true;
    }
    if (garde == 0 && debut + suite == texteActuel_.size()) {
        return false;
    }
    texte.remove(debut + garde, insere - garde);
    position = static_cast<int>(debut + garde);
    return true;
}
