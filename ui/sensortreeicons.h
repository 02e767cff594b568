#pragma once

// Puts the tree icons on a SensorTreeModel: answers Qt::DecorationRole with the picture of
// the row's icon slot and passes every other role through. A changed row of the source
// changes its decoration with it. Sensor rows are checkable for assistive technology:
// checked while a tile shows the sensor; setting the check state asks for the tile to be added
// or removed (`toggleRequested`), which the window does. The tile mark is the row's icon, so
// the view draws no check box of its own (`TreeRowDelegate`).

#include <QIdentityProxyModel>
#include <QStyledItemDelegate>

namespace gaugeloft {

class SensorTreeIconModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit SensorTreeIconModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static inline const QString kHeader = QStringLiteral("Hardware and sensors");

Q_SIGNALS:
    // The row's sensor is to get a tile, or lose it (the source model's index).
    void toggleRequested(const QModelIndex& sourceIndex);

private:
    bool IsSensorRow(const QModelIndex& index) const;
};

// Draws the rows without the check box the check state would bring; the full text of a row
// that does not fit is its tooltip.
class TreeRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace gaugeloft
