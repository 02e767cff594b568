#pragma once

// Keeps the tree's one column as wide as its widest shown row, as the header's
// ResizeToContents would, without laying out every row again for each change: changed rows
// are measured once each, and only when shown (every parent expanded), and the column only
// widens then. A reset, a collapse or a new font measures the shown rows once.

#include <QObject>

class QModelIndex;
class QTreeView;

namespace gaugeloft {

class TreeColumnSizer : public QObject {
    Q_OBJECT
public:
    // Takes over the view's column width (its header stops sizing to contents).
    explicit TreeColumnSizer(QTreeView& view);

    // Measures every shown row and sets the width to the widest.
    void FitAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RowsChanged(const QModelIndex& first, const QModelIndex& last);
    void Expanded(const QModelIndex& index);
    // The widest of the row and of its shown descendants.
    int WidestFrom(const QModelIndex& index) const;
    int RowWidth(const QModelIndex& index) const;
    bool IsShown(const QModelIndex& index) const;
    void SetWidth(int width);

    QTreeView& m_view;
    int m_widest = 0;
};

} // namespace gaugeloft
