#pragma once

// Puts the tree icons on a SensorTreeModel: answers Qt::DecorationRole with the picture of
// the row's icon slot and passes every other role through. A changed row of the source
// changes its decoration with it.

#include <QIdentityProxyModel>

namespace gaugeloft {

class SensorTreeIconModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit SensorTreeIconModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

} // namespace gaugeloft
