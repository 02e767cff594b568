#include "ui/sensortreeicons.h"

#include "sensors/sensortreemodel.h"
#include "ui/treeicons.h"

namespace gaugeloft {

SensorTreeIconModel::SensorTreeIconModel(QObject* parent)
    : QIdentityProxyModel(parent)
{
}

QVariant SensorTreeIconModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DecorationRole)
        return QIdentityProxyModel::data(index, role);
    const QVariant slot = QIdentityProxyModel::data(index, SensorTreeModel::IconSlotRole);
    if (!slot.isValid())
        return {};
    const QIcon icon = TreeIcon(slot.toInt());
    return icon.isNull() ? QVariant() : QVariant(icon);
}

} // namespace gaugeloft
