#include "SaisieLimitee.h"

#include <QLineEdit>
#include <algorithm>

SaisieLimitee::SaisieLimitee(QLineEdit* edition, int limite, bool majuscules)
    : QValidator(edition), limite_(limite), majuscules_(majuscules) {
    // The validator sees only the proposed text; the length before the change
    // comes from here, whoever changed the text (the user or the program).
    connect(edition, &QLineEdit::textChanged, this,
            [this](const QString& texte) { longueurActuelle_ = static_cast<int>(texte.size()); });
    edition->setValidator(this);
}

void SaisieLimitee::PoserTexte(QLineEdit* edition, const QString& texte) {
    // QLineEdit validates program text too; it must not be found too long,
    // or the line edit would stop refusing the characters typed after it.
    if (auto* limite = edition->findChild<SaisieLimitee*>(QString(), Qt::FindDirectChildrenOnly)) {
        limite->longueurActuelle_ = std::max(limite->longueurActuelle_, static_cast<int>(texte.size()));
    }
    edition->setText(texte);
}

QValidator::State SaisieLimitee::validate(QString& texte, int& /*position*/) const {
    if (texte.size() > std::max(limite_, longueurActuelle_)) {
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
