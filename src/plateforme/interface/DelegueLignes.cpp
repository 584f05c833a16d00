#include "DelegueLignes.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace {

// The glyphs that reach highest and lowest in the names listed, which the
// store holds in upper case: the capitals with an accent or a diaeresis (the
// circumflex over the round O rises highest), and those that fall below the
// baseline, the cedilla, J, Q and the parentheses.
const QString kGlyphesExtremes = QStringLiteral("ÀÂÄÇÉÈÊËÎÏÔÖÙÛÜŸŒÆJQ()");

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
    painter->setPen(
        ligne.palette.color(groupe, ligne.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(QPoint(place.left(), ligneDeBase), texte);
    painter->restore();
}
