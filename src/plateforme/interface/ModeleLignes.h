#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QStringList>

// The role under which a line gives the other name its row was found by (a
// former commune, a locality), shown beside the line but no part of it.
inline constexpr int kRoleAutreNom = Qt::UserRole + 1;

// The lines of a result list, each its display text, and for the few rows
// found by another name than their own, that name (kRoleAutreNom), which the
// line's accessible description also says.
class ModeleLignes : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // Replaces every line at once, in one reset of the view; autresNoms maps
    // a line's number to its other name.
    void Remplir(QStringList lignes, QHash<int, QString> autresNoms = {});

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QStringList lignes_;
    QHash<int, QString> autresNoms_;
};
