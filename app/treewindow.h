#pragma once

// A plain window with the hardware tree: detects at start and refreshes the readings every
// second, rebuilding the tree when the number of hardware items changes.

#include "sensors/detection.h"
#include "sensors/provider.h"
#include "sensors/sensortreemodel.h"
#include "ui/sensortreeicons.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QStackedLayout;
class QTreeView;

namespace gaugeloft {

class TreeWindow : public QWidget {
    Q_OBJECT
public:
    explicit TreeWindow(ProviderState& provider, QWidget* parent = nullptr);

    void Detect();

    // The node last reported as changed, or else the selected one.
    TreeNode* CurrentNode() const;

private:
    void Timer1Timer();
    void ExpandMarkedNodes();
    void ShowTreeOrHint();
    void TreeView1Change(const QModelIndex& current);

    ProviderState& m_provider;
    HardwareTree m_tree;
    SensorTreeModel m_model;
    SensorTreeIconModel m_iconModel;
    QTreeView* m_view = nullptr;
    QLabel* m_hint = nullptr;
    QStackedLayout* m_stack = nullptr;
    QTimer m_timer1;
};

} // namespace gaugeloft
