#include "ui/treecolumnsizer.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace gaugeloft {

TreeColumnSizer::TreeColumnSizer(QTreeView& view)
    : QObject(&view)
    , m_view(view)
{
    m_view.header()->setSectionResizeMode(QHeaderView::Interactive);
    QAbstractItemModel* model = m_view.model();
    connect(model, &QAbstractItemModel::dataChanged, this, &TreeColumnSizer::RowsChanged);
    connect(model, &QAbstractItemModel::modelReset, this, &TreeColumnSizer::FitAll);
    connect(model, &QAbstractItemModel::layoutChanged, this, &TreeColumnSizer::FitAll);
    connect(model, &QAbstractItemModel::rowsInserted, this, &TreeColumnSizer::FitAll);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TreeColumnSizer::FitAll);
    connect(&m_view, &QTreeView::expanded, this, &TreeColumnSizer::Expanded);
    connect(&m_view, &QTreeView::collapsed, this, &TreeColumnSizer::FitAll);
    m_view.installEventFilter(this);
    FitAll();
}

bool TreeColumnSizer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_view && (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange))
        FitAll();
    return QObject::eventFilter(watched, event);
}

void TreeColumnSizer::FitAll()
{
    const QAbstractItemModel* model = m_view.model();
    int widest = 0;
    for (int row = 0; model && row < model->rowCount(); ++row)
        widest = std::max(widest, WidestFrom(model->index(row, 0)));
    m_widest = widest;
    QHeaderView* header = m_view.header();
    header->resizeSection(0, std::max(widest, header->minimumSectionSize()));
}

void TreeColumnSizer::RowsChanged(const QModelIndex& first, const QModelIndex& last)
{
    if (first.column() > 0 || !IsShown(first))
        return;
    int widest = 0;
    for (int row = first.row(); row <= last.row(); ++row)
        widest = std::max(widest, RowWidth(first.siblingAtRow(row)));
    SetWidth(widest);
}

void TreeColumnSizer::Expanded(const QModelIndex& index)
{
    if (IsShown(index))
        SetWidth(WidestFrom(index));
}

int TreeColumnSizer::WidestFrom(const QModelIndex& index) const
{
    int widest = RowWidth(index);
    if (m_view.isExpanded(index)) {
        const QAbstractItemModel* model = index.model();
        for (int row = 0; row < model->rowCount(index); ++row)
            widest = std::max(widest, WidestFrom(model->index(row, 0, index)));
    }
    return widest;
}

int TreeColumnSizer::RowWidth(const QModelIndex& index) const
{
    // what the view's own column measure gives: the item, indented one step per level with
    // one more for the root's branch marks
    int level = m_view.rootIsDecorated() ? 1 : 0;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        ++level;
    return m_view.sizeHintForIndex(index).width() + level * m_view.indentation();
}

bool TreeColumnSizer::IsShown(const QModelIndex& index) const
{
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        if (!m_view.isExpanded(parent))
            return false;
    }
    return true;
}

void TreeColumnSizer::SetWidth(int width)
{
    if (width <= m_widest)
        return;
    m_widest = width;
    QHeaderView* header = m_view.header();
    header->resizeSection(0, std::max(width, header->minimumSectionSize()));
}

} // namespace gaugeloft
