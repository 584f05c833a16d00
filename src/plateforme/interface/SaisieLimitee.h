#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;

// Limits what the user puts into an edit box, as a classic edit box's text
// limit does: typing cannot make the text longer than the limit, but text the
// program put there is shown and used whole, and may be shortened. Of a paste
// (or any insertion of several characters) the box keeps the text up to its
// first line break, then as much as fits: "75001\n" copied from a spreadsheet
// cell or a terminal line gives "75001", a 74-character town its first
// characters. With majuscules, letters appear in upper case, one character
// for one. QLineEdit::setMaxLength is no use here: it truncates program text
// too, and refuses a paste that is too long whole.
class SaisieLimitee : public QValidator {
    Q_OBJECT

public:
    SaisieLimitee(QLineEdit* edition, int limite, bool majuscules);

    State validate(QString& texte, int& position) const override;

    // Puts program text into edition, whole, whatever its length or content:
    // the limit then keeps it from growing by typing but lets the user
    // shorten it.
    static void PoserTexte(QLineEdit* edition, const QString& texte);

private:
    bool Limiter(QString& texte, int& position) const;

    int limite_;
    bool majuscules_;
    bool texteProgramme_ = false;
    // The text before the change being validated: the validator sees only
    // the text proposed.
    QString texteActuel_;
};
