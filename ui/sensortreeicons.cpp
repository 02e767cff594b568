#include "ui/sensortreeicons.h"

#include "sensors/hardwaretree.h"
#include "sensors/sensortreemodel.h"
#include "ui/treeicons.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace gaugeloft {

SensorTreeIconModel::SensorTreeIconModel(QObject* parent)
    : QIdentityProxyModel(parent)
{
}

bool SensorTreeIconModel::IsSensorRow(const QModelIndex& index) const
{
    const int slot = QIdentityProxyModel::data(index, SensorTreeModel::IconSlotRole).toInt();
    return slot == kSensorIcon || slot == kSensorOnDashboardIcon;
}

QVariant SensorTreeIconModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::CheckStateRole) {
        if (!IsSensorRow(index))
            return {};
        const int slot = QIdentityProxyModel::data(index, SensorTreeModel::IconSlotRole).toInt();
        return slot == kSensorOnDashboardIcon ? Qt::Checked : Qt::Unchecked;
    }
    if (role != Qt::DecorationRole)
        return QIdentityProxyModel::data(index, role);
    const QVariant slot = QIdentityProxyModel::data(index, SensorTreeModel::IconSlotRole);
    if (!slot.isValid())
        return {};
    const QIcon icon = TreeIcon(slot.toInt());
    return icon.isNull() ? QVariant() : QVariant(icon);
}

bool SensorTreeIconModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !IsSensorRow(index))
        return QIdentityProxyModel::setData(index, value, role);
    if (value.toInt() != data(index, Qt::CheckStateRole).toInt())
        Q_EMIT toggleRequested(mapToSource(index));
    return true;
}

Qt::ItemFlags SensorTreeIconModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QIdentityProxyModel::flags(index);
    if (IsSensorRow(index))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant SensorTreeIconModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return kHeader;
    return QIdentityProxyModel::headerData(section, orientation, role);
}

bool TreeRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !view || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem row = option;
    initStyleOption(&row, index);
    const QRect shown = view->visualRect(index).intersected(view->viewport()->rect());
    const int needed = sizeHint(row, index).width();
    if (needed > shown.width()) {
        QToolTip::showText(event->globalPos(), row.text, view->viewport(), shown);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void TreeRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->features &= ~QStyleOptionViewItem::HasCheckIndicator;
}

} // namespace gaugeloft
