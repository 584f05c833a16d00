#include "DelegueLignes.h"

#include "ModeleLignes.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace {

// The glyphs that reach highest and lowest in the names listed, which the
// store holds in upper case: the capitals with an accent or a diaeresis (the
// circumflex over the round O rises highest), and those that fall below the
// baseline, the cedilla, J, Q and the parentheses.
const QString kGlyphesExtremes = QStringLiteral("ÀÂÄÇÉÈÊËÎÏÔÖÙÛÜŸŒÆJQ()");

// The other name beside a line: lighter than the line's text, mixed from the
// palette's own text and background so that it stays readable whatever the
// palette (light, dark, the system's high contrast). On a selected line the
// selection's text colour is kept whole: a mix would fade on its background.
QColor CouleurAutreNom(const QPalette& palette, QPalette::ColorGroup groupe, bool selectionnee) {
    if (selectionnee) {
        return palette.color(groupe, QPalette::HighlightedText);
    }
    const QColor texte = palette.color(groupe, QPalette::Text);
    const QColor fond = palette.color(groupe, QPalette::Base);
    constexpr double kPartTexte = 0.6;
    const auto meler = [](double a, double b) { return static_cast<int>(kPartTexte * a + (1 - kPartTexte) * b + 0.5); };
    return QColor(meler(texte.red(), fond.red()), meler(texte.green(), fond.green()), meler(texte.blue(), fond.blue()));
}

} // namespace

DelegueLignes::Etendue DelegueLignes::EtendueDe(const QStyleOptionViewItem& option) const {
    if (mesuree_ && option.font == police_) {
        return etendue_;
    }
    const QFontMetrics& mesures = option.fontMetrics;
    Etendue etendue{mesures.ascent(), mesures.descent()};
    for (const QChar glyphe : kGlyphesExtremes) {
        // The glyph's box is relative to the baseline: its rows run from top()
        // to bottom(), negative above the baseline, 0 for the first below.
        const QRect boite = mesures.boundingRect(glyphe);
        etendue.dessus = std::max(etendue.dessus, -boite.top());
        etendue.dessous = std::max(etendue.dessous, boite.bottom() + 1);
    }
    police_ = option.font;
    etendue_ = etendue;
    mesuree_ = true;
    return etendue;
}

QSize DelegueLignes::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize taille = QStyledItemDelegate::sizeHint(option, index);
    QStyleOptionViewItem ligne(option);
    initStyleOption(&ligne, index);
    // The style's line holds the font's ascent and descent and whatever margin
    // the style adds: the rows the glyphs need beyond those are added to it.
    const Etendue etendue = EtendueDe(ligne);
    taille.rheight() += etendue.dessus + etendue.dessous - ligne.fontMetrics.height();
    return taille;
}

void DelegueLignes::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem ligne(option);
    initStyleOption(&ligne, index);
    const QWidget* widget = ligne.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();

    // First the line without its text, as the style draws it: background,
    // selection, focus frame.
    QStyleOptionViewItem fond(ligne);
    fond.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &fond, painter, widget);

    // Then the text, drawn here rather than by the style: the style would
    // clip it to the line's rectangle with the font's ascent at its top at
    // best, which is what cut the accents. Its place across the line, its
    // margin, its elision and its colours are the style's. The band the
    // glyphs need is centred in the line, the baseline below its top by the
    // tallest glyph.
    const QFontMetrics& mesures = ligne.fontMetrics;
    const Etendue etendue = EtendueDe(ligne);
    const int ligneDeBase =
        ligne.rect.top() + (ligne.rect.height() - etendue.dessus - etendue.dessous) / 2 + etendue.dessus;
    // QCommonStyle keeps the text this far from the sides of its rectangle.
    const int marge = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect zone = style->subElementRect(QStyle::SE_ItemViewItemText, &ligne, widget).adjusted(marge, 0, -marge, 0);
    const QString texte = mesures.elidedText(ligne.text, ligne.textElideMode, zone.width());
    const QRect place = QStyle::alignedRect(ligne.direction, ligne.displayAlignment & Qt::AlignHorizontal_Mask,
                                            QSize(mesures.horizontalAdvance(texte), zone.height()), zone);
    QPalette::ColorGroup groupe = QPalette::Disabled;
    if (ligne.state & QStyle::State_Enabled) {
        groupe = ligne.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    }
    painter->save();
    // Nothing of a line is drawn over its neighbours.
    painter->setClipRect(ligne.rect, Qt::IntersectClip);
    painter->setFont(ligne.font);
    const bool selectionnee = ligne.state & QStyle::State_Selected;
    painter->setPen(ligne.palette.color(groupe, selectionnee ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(QPoint(place.left(), ligneDeBase), texte);

    // The other name the row was found by, after the line, in what room is
    // left: between parentheses and in italics, which tell it from the
    // commune's name where its colour cannot, on a selected line.
    const QString autre = index.data(kRoleAutreNom).toString();
    const int ecart = mesures.horizontalAdvance(QStringLiteral("  "));
    const int debutAutre = place.left() + mesures.horizontalAdvance(texte) + ecart;
    if (!autre.isEmpty() && debutAutre < zone.right()) {
        QFont italique(ligne.font);
        italique.setItalic(true);
        painter->setFont(italique);
        painter->setPen(CouleurAutreNom(ligne.palette, groupe, selectionnee));
        painter->drawText(QPoint(debutAutre, ligneDeBase),
                          QFontMetrics(italique).elidedText(QLatin1Char('(') + autre + QLatin1Char(')'), Qt::ElideRight,
                                                            zone.right() - debutAutre));
    }
    painter->restore();
}
