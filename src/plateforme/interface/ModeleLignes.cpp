#include "ModeleLignes.h"

void ModeleLignes::Remplir(QStringList lignes, QHash<int, QString> autresNoms) {
    beginResetModel();
    lignes_ = std::move(lignes);
    autresNoms_ = std::move(autresNoms);
    endResetModel();
}

int ModeleLignes::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lignes_.size());
}

QVariant ModeleLignes::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= lignes_.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return lignes_.at(index.row());
    }
    if (role == kRoleAutreNom) {
        return autresNoms_.value(index.row());
    }
    // A screen reader says the line, then this: the other name is no part of
    // the line's text, which stays what Valider writes.
    if (role == Qt::AccessibleDescriptionRole) {
        const QString autre = autresNoms_.value(index.row());
        return autre.isEmpty() ? QVariant() : QVariant(QStringLiteral("Trouvée par l'autre nom %1").arg(autre));
    }
    return {};
}
