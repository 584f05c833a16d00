#pragma once

#include <QFont>
#include <QStyledItemDelegate>

// Draws the lines of a plain text list of upper-case French names tall enough
// for every glyph they may hold. Qt sizes a line from the font's typographic
// ascent and descent, and the accents of capitals rise above that ascent:
// Tahoma at 11 pixels has an ascent of 9, its É reaches 11, and the top of the
// line cut the accent away, so that SAINT-ÉTIENNE read SAINT-ETIENNE. Here the
// height comes from the glyphs' own extents in the line's font, whatever font
// that is, and the text is drawn with its baseline low enough for the accents
// to show whole. Background, selection, focus and colours stay the style's.
// A line whose row was found by another name (kRoleAutreNom, ModeleLignes.h)
// has that name drawn after it between parentheses, in italics and a lighter
// colour.
class DelegueLignes : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // The pixel rows the tallest glyphs cover above the baseline, and those
    // the lowest cover from the baseline down, at least the font's ascent and
    // descent.
    struct Etendue {
        int dessus = 0;
        int dessous = 0;
    };
    Etendue EtendueDe(const QStyleOptionViewItem& option) const;

    // Every line of a list shares its font: measured once.
    mutable QFont police_;
    mutable Etendue etendue_;
    mutable bool mesuree_ = false;
};
