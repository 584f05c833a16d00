#pragma once

#include <QValidator>

class QLineEdit;

// Limits what the user types into an edit box, as a classic edit box's text
// limit does: typing cannot make the text longer than the limit, but text the
// program put there is shown and used whole, and may be shortened. With
// majuscules, typed letters appear in upper case, one character for one.
// QLineEdit::setMaxLength is no use here: it truncates program text too.
class SaisieLimitee : public QValidator {
    Q_OBJECT

public:
    SaisieLimitee(QLineEdit* edition, int limite, bool majuscules);

    State validate(QString& texte, int& position) const override;

    // Puts program text into edition, whole, whatever its length: the limit
    // then keeps it from growing by typing but lets the user shorten it.
    static void PoserTexte(QLineEdit* edition, const QString& texte);

private:
    int limite_;
    bool majuscules_;
    int longueurActuelle_ = 0;
};
