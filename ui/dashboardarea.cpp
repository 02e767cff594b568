#include "ui/dashboardarea.h"

#include "ui/tilewidget.h"

#include <QContextMenuEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace gaugeloft {

DashboardArea::DashboardArea(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SensorsPanel"));
    setAccessibleName(QStringLiteral("Dashboard"));

    m_scrollBox = new QScrollArea(this);
    m_scrollBox->setObjectName(QStringLiteral("ScrollBox1"));
    m_scrollBox->setFrameShape(QFrame::NoFrame);
    m_scrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollBox->setWidgetResizable(false);
    m_scrollBox->setFocusPolicy(Qt::NoFocus);

    // the content is sized here, from the tiles' places
    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("ScrollBox1Content"));
    m_scrollBox->setWidget(m_content);
    m_scrollBox->viewport()->setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollBox);

    m_content->installEventFilter(this);
    m_scrollBox->viewport()->installEventFilter(this);

    m_timer2.setSingleShot(true);
    m_timer2.setInterval(kArrangeDelayMs);
    connect(&m_timer2, &QTimer::timeout, this, [this] {
        if (m_tiles)
            m_tiles->Timer2Timer();
    });
}

DashboardArea::~DashboardArea()
{
    m_timer2.stop();
    DeleteTileWidgets();
}

void DashboardArea::SetPalette(const ThemePalette& palette)
{
    m_palette = &palette;
    QPalette colors = m_scrollBox->viewport()->palette();
    colors.setColor(QPalette::Window, ToQColor(palette.BackColor));
    m_scrollBox->viewport()->setPalette(colors);
    for (TileWidget* widget : std::as_const(m_widgets))
        widget->SetPalette(palette);
}

void DashboardArea::DeleteTileWidgets()
{
    if (m_tiles) {
        for (int i = m_tiles->Count() - 1; i >= 0; --i) {
            if (TileWidget* widget = m_widgets.take(&m_tiles->At(i))) {
                widget->DetachFromModel();
                delete widget;
            }
        }
    }
    for (TileWidget* widget : std::as_const(m_widgets)) {
        widget->DetachFromModel();
        delete widget;
    }
    m_widgets.clear();
}

// The scroll area's own bar follows its range a moment later; the geometry is worked out
// from the content's height instead, so it is right at once (and before the first show).
int DashboardArea::FullClientWidth() const
{
    return m_scrollBox->contentsRect().width();
}

bool DashboardArea::BarNeeded(int contentHeight) const
{
    return contentHeight > m_scrollBox->contentsRect().height();
}

ScrollGeometry DashboardArea::Geometry() const
{
    ScrollGeometry g;
    g.VerticalBarVisible = BarNeeded(m_content->height());
    g.VerticalBarWidth = m_scrollBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollBox);
    g.ClientWidth = std::max(0, FullClientWidth() - (g.VerticalBarVisible ? g.VerticalBarWidth : 0));
    g.ClientHeight = m_scrollBox->contentsRect().height();
    g.ScrollPosition = g.VerticalBarVisible ? m_scrollBox->verticalScrollBar()->value() : 0;
    return g;
}

// Content as tall as the lowest shown tile, at least the visible height.
void DashboardArea::FitContent()
{
    int bottom = 0;
    for (const TileWidget* widget : std::as_const(m_widgets)) {
        if (!widget->isHidden())
            bottom = std::max(bottom, widget->geometry().bottom() + 1);
    }
    const int height = std::max(bottom, m_scrollBox->contentsRect().height());
    const int barWidth = m_scrollBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollBox);
    const int width = std::max(0, FullClientWidth() - (BarNeeded(height) ? barWidth : 0));
    if (m_content->size() != QSize(width, height))
        m_content->resize(width, height);
}

void DashboardArea::TileCreated(TSensorFrame& tile, TilePlacement provisional, bool visible)
{
    Q_ASSERT(m_tiles);
    const int scroll = Geometry().ScrollPosition;
    auto* widget = new TileWidget(tile, *m_tiles, m_content);
    widget->setObjectName(QStringLiteral("Frame%1").arg(tile.TileNumber));
    if (m_palette)
        widget->SetPalette(*m_palette);
    widget->move(provisional.Left, provisional.Top + scroll);
    widget->setVisible(visible);
    m_widgets.insert(&tile, widget);
    FitContent();
    Q_EMIT tileWidgetCreated(widget);
}

void DashboardArea::TileRemoved(TSensorFrame& tile)
{
    if (TileWidget* widget = m_widgets.take(&tile)) {
        widget->DetachFromModel();
        widget->deleteLater();
    }
}

void DashboardArea::RestartArrangementTimer()
{
    m_timer2.start();
}

bool DashboardArea::ArrangementTimerActive() const
{
    return m_timer2.isActive();
}

void DashboardArea::TilesArranged(const std::vector<TilePlacement>& places, bool)
{
    if (!m_tiles)
        return;
    const int scroll = Geometry().ScrollPosition;
    std::vector<TileWidget*> shown;
    const int n = std::min(m_tiles->Count(), int(places.size()));
    for (int i = 0; i < n; ++i) {
        TileWidget* widget = m_widgets.value(&m_tiles->At(i));
        if (!widget)
            continue;
        widget->move(places[size_t(i)].Left, places[size_t(i)].Top + scroll);
        if (widget->isHidden()) {
            widget->show();
            shown.push_back(widget);
        }
    }
    FitContent();
    for (TileWidget* widget : shown)
        m_scrollBox->ensureWidgetVisible(widget, 0, 0);
}

void DashboardArea::ScrollIntoView(TSensorFrame& tile)
{
    if (TileWidget* widget = m_widgets.value(&tile))
        m_scrollBox->ensureWidgetVisible(widget, 0, 0);
}

void DashboardArea::HideTile(TSensorFrame& tile)
{
    if (TileWidget* widget = m_widgets.value(&tile))
        widget->hide();
}

void DashboardArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FitContent();
    RestartArrangementTimer();
}

bool DashboardArea::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu
        && (watched == m_content || watched == m_scrollBox->viewport())) {
        Q_EMIT menuRequested(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick
        && (watched == m_content || watched == m_scrollBox->viewport())) {
        Q_EMIT backgroundDoubleClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace gaugeloft
