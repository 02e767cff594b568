#include "app/treewindow.h"

#include "sensors/typetables.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QStackedLayout>
#include <QTreeView>

namespace gaugeloft {

namespace {
constexpr int kAnimationIntervalMs = 40;
}

TreeWindow::TreeWindow(ProviderState& provider, QWidget* parent)
    : QWidget(parent)
    , m_provider(provider)
    , m_model(m_tree)
{
    setWindowTitle(QStringLiteral("Gaugeloft"));
    resize(480, 640);

    m_view = new QTreeView(this);
    m_iconModel.setSourceModel(&m_model);
    m_view->setModel(&m_iconModel);
    m_view->setHeaderHidden(true);
    m_view->setIndentation(19);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setUniformRowHeights(true);
    m_view->setAccessibleName(QStringLiteral("Hardware and sensors"));

    m_hint = new QLabel(QStringLiteral("Is any Hardware Monitoring tool running in background?"), this);
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);

    m_stack = new QStackedLayout(this);
    m_stack->addWidget(m_view);
    m_stack->addWidget(m_hint);

    connect(&m_model, &SensorTreeModel::treeRebuilt, this, &TreeWindow::ExpandMarkedNodes);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { TreeView1Change(current); });
    m_timer1.setInterval(1000);
    connect(&m_timer1, &QTimer::timeout, this, &TreeWindow::Timer1Timer);
}

void TreeWindow::Detect()
{
    m_timer1.stop();
    DetectionContext context;
    context.animationSteps = AnimationSteps(kAnimationIntervalMs);
    context.caption = [this](const QString& message) { setWindowTitle(message); };
    DetectTree(m_tree, *m_provider.HardwareReader, *m_provider.SensorReader, context);
    ShowTreeOrHint();
    m_timer1.start();
}

void TreeWindow::Timer1Timer()
{
    TWMI_OHM_Hardware& hardware = *m_provider.HardwareReader;
    TWMI_OHM_Sensor& sensors = *m_provider.SensorReader;
    const int before = hardware.Count();
    if (m_provider.UseRefresher)
        m_provider.UpdateThroughRefresher(hardware, m_provider.HardwareEnumIndex, true);
    else
        hardware.Requery();
    if (before != -1 && hardware.Count() != before)
        m_tree.Clear();

    if (m_tree.IsEmpty()) {
        Detect();
        return;
    }
    if (m_provider.UseRefresher)
        m_provider.UpdateThroughRefresher(sensors, m_provider.SensorEnumIndex, false);
    else
        sensors.Requery();
    RefreshTreeReadings(m_tree, sensors, false,
                        [this](const QString& message) { setWindowTitle(message); });
    ShowTreeOrHint();
}

void TreeWindow::ShowTreeOrHint()
{
    m_stack->setCurrentWidget(m_tree.IsEmpty() ? static_cast<QWidget*>(m_hint) : m_view);
}

void TreeWindow::ExpandMarkedNodes()
{
    // Hardware levels open, sensor type groups open: the readings are what people look for.
    for (int position = 0; position < m_tree.NodeCount(); ++position) {
        const TreeNode* node = m_tree.NodeAt(position);
        if (node->ChildCount() > 0)
            m_view->setExpanded(m_iconModel.mapFromSource(m_model.IndexOf(node)), true);
    }
}

void TreeWindow::TreeView1Change(const QModelIndex& current)
{
    m_tree.RememberNode(m_model.NodeOf(m_iconModel.mapToSource(current)));
}

TreeNode* TreeWindow::CurrentNode() const
{
    if (TreeNode* remembered = m_tree.RememberedNode())
        return remembered;
    return m_model.NodeOf(m_iconModel.mapToSource(m_view->currentIndex()));
}

} // namespace gaugeloft
