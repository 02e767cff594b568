#include "ui/tilewidget.h"

#include <QAccessible>
#include <QActionGroup>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace gaugeloft {
namespace {

const QString kTileMimeType = QStringLiteral("application/x-gaugeloft-tile");
constexpr int kDoubleClickDelay = 250;

bool SameSeries(const std::vector<SeriesValue>& a, const std::vector<SeriesValue>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
        [](const SeriesValue& x, const SeriesValue& y) {
            return x.Value == y.Value && x.Color == y.Color;
        });
}

QString Trimmed(const QString& text)
{
    return text.trimmed();
}

} // namespace

bool TileWidget::PlotLook::Shows(const TSensorFrame& tile) const
{
    return Pie == tile.PieActive && Bars == tile.BarsActive && Back == tile.ChartBackColor
        && Frame == tile.ChartFrameColor && SameSeries(Series1, tile.Series1)
        && SameSeries(Series2, tile.Series2) && SameSeries(Series3, tile.Series3);
}

void TileWidget::PlotLook::Take(const TSensorFrame& tile)
{
    Pie = tile.PieActive;
    Bars = tile.BarsActive;
    Back = tile.ChartBackColor;
    Frame = tile.ChartFrameColor;
    Series1 = tile.Series1;
    Series2 = tile.Series2;
    Series3 = tile.Series3;
}

TileWidget::TileWidget(TSensorFrame& tile, TTileList& tiles, QWidget* parent)
    : QWidget(parent)
    , m_tile(tile)
    , m_tiles(tiles)
{
    setFixedSize(TSensorFrame::kSize, TSensorFrame::kSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    m_doubleClickTimer.setSingleShot(true);
    m_doubleClickTimer.setInterval(kDoubleClickDelay);
    connect(&m_doubleClickTimer, &QTimer::timeout, this, &TileWidget::DoubleClickTimerFired);
    BuildMenu();
    m_tile.OnChanged = [this] { SyncFromModel(); };
    SyncFromModel();
}

TileWidget::~TileWidget()
{
    if (m_attached)
        m_tile.OnChanged = nullptr;
}

void TileWidget::DetachFromModel()
{
    if (!m_attached)
        return;
    m_tile.OnChanged = nullptr;
    m_attached = false;
    m_doubleClickTimer.stop();
    if (m_drag)
        QDrag::cancel();
    m_menu->hide();
    setAcceptDrops(false);
    hide();
}

const ThemePalette& TileWidget::Palette() const
{
    return m_palette ? *m_palette : PresetPalette(thLight);
}

// ---- painting

TileWidget::FaceLook TileWidget::CurrentFace() const
{
    const auto label = [](const TileLabel& l) {
        return LabelLook {l.Text, l.Color, l.Background, l.Visible};
    };
    const TSensorFrame& t = m_tile;
    FaceLook f;
    f.Frame = {t.StripColor, t.BodyColor, t.DetailsColor, t.Title.Visible, t.Subtitle.Visible,
        t.Value.Visible, t.DetailsVisible, t.DetailsHeight};
    f.Title = label(t.Title);
    f.Subtitle = label(t.Subtitle);
    f.Value = label(t.Value);
    f.ValuePoints = t.ValueFontPoints;
    f.Details = {label(t.MinText), label(t.MaxText), t.ArrowsVisible, t.ProgressVisible,
        t.ChartAreaVisible, t.ChartVisible, t.ChartVisible ? t.ChartTitle : QString(),
        t.ChartBackColor, t.ChartTitleColor};
    // hidden parts do not count
    if (!t.DetailsVisible)
        f.Details = {};
    if (!t.Value.Visible)
        f.Value = {};
    return f;
}


void TileWidget::SyncFromModel()
{
    if (!m_attached)
        return;
    const FaceLook face = CurrentFace();
    QRegion dirty;
    if (m_staleParts == kAllParts || !(face.Frame == m_face.Frame)) {
        m_layout = LayoutTile(m_tile);
        m_staleParts = kAllParts;
        dirty = rect();
    } else {
        const auto part = [&](bool changed, FacePart bit, const QRect& area) {
            if (changed) {
                m_staleParts |= bit;
                dirty += area;
            }
        };
        part(!(face.Title == m_face.Title), kTitlePart, m_layout.Title);
        part(!(face.Subtitle == m_face.Subtitle), kSubtitlePart, m_layout.Subtitle);
        part(!(face.Value == m_face.Value) || face.ValuePoints != m_face.ValuePoints, kValuePart,
            m_layout.Value);
        part(!(face.Details == m_face.Details), kDetailsPart, m_layout.Details);
    }
    m_face = face;

    // The moving parts: what a pending repaint will show is remembered now.
    if (m_tile.ProgressVisible && !m_layout.Progress.isEmpty()) {
        const TSEProgress& bar = m_tile.ProgressBar1;
        const int filled = bar.FilledWidth(m_layout.Progress.width());
        if (filled != m_paintedFilledWidth || bar.BackColor != m_paintedBarBack
            || bar.BarColor != m_paintedBarColor || (m_staleParts & kDetailsPart)) {
            dirty += m_layout.Progress;
            m_paintedFilledWidth = filled;
            m_paintedBarBack = bar.BackColor;
            m_paintedBarColor = bar.BarColor;
        }
    } else {
        m_paintedFilledWidth = -1;
    }
    if (m_tile.ChartAreaVisible) {
        const qint64 key = m_tile.ChartBitmap ? m_tile.ChartBitmap->cacheKey() : 0;
        if (key != m_paintedChartKey || (m_staleParts & kDetailsPart)) {
            dirty += m_layout.ChartArea;
            m_paintedChartKey = key;
        }
    } else {
        m_paintedChartKey = 0;
    }
    if (m_tile.ChartVisible) {
        if (!m_plotPainted || !m_paintedPlot.Shows(m_tile) || (m_staleParts & kDetailsPart)) {
            dirty += m_layout.ChartPlot;
            m_paintedPlot.Take(m_tile);
            m_plotPainted = true;
        }
    } else {
        m_plotPainted = false;
    }

    if (!dirty.isEmpty())
        update(dirty);
    UpdateAccessibleTexts();
}

void TileWidget::RenderFace()
{
    const qreal ratio = devicePixelRatioF();
    if (m_facePicture.isNull() || m_facePicture.devicePixelRatio() != ratio) {
        m_facePicture = QPixmap(size() * ratio);
        m_facePicture.setDevicePixelRatio(ratio);
        m_staleParts = kAllParts;
    }
    if (!m_staleParts)
        return;
    QPainter p(&m_facePicture);
    const bool all = m_staleParts & kFramePart;
    if (all)
        PaintTileFrame(p, m_tile, m_layout);
    if (all || (m_staleParts & kTitlePart))
        PaintTileTitle(p, m_tile, m_layout);
    if (all || (m_staleParts & kSubtitlePart))
        PaintTileSubtitle(p, m_tile, m_layout);
    if (all || (m_staleParts & kValuePart))
        PaintTileValue(p, m_tile, m_layout);
    if (all || (m_staleParts & kDetailsPart))
        PaintTileDetails(p, m_tile, m_layout);
    m_staleParts = 0;
}

void TileWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    if (!m_attached) {
        p.fillRect(rect(), palette().window());
        return;
    }
    RenderFace();
    const QRegion& region = event->region();
    p.setClipRegion(region);
    p.drawPixmap(0, 0, m_facePicture);
    if (m_tile.ProgressVisible && region.intersects(m_layout.Progress))
        PaintTileProgress(p, m_tile, m_layout);
    if (m_tile.ChartAreaVisible && region.intersects(m_layout.ChartArea))
        PaintTileChartArea(p, m_tile, m_layout);
    if (m_tile.ChartVisible && region.intersects(m_layout.ChartPlot))
        PaintTileChartPlot(p, m_tile, m_layout);
    if (m_showFocus && hasFocus()) {
        // on the body's border, which is otherwise in the body colour
        QPen pen(ToQColor(m_tile.Title.Color), 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(m_layout.Body.adjusted(0, 0, -1, -1));
    }
}

// ---- accessibility

void TileWidget::UpdateAccessibleTexts()
{
    // made again only when a text they are made of changed, not on every animation step
    SpokenTexts spoken {m_tile.Title.Text, m_tile.Value.Text, m_tile.Subtitle.Text, m_tile.MinText.Text,
        m_tile.MaxText.Text, m_tile.Subtitle.Visible};
    if (m_spokenOnce && spoken == m_spoken)
        return;
    m_spoken = std::move(spoken);
    m_spokenOnce = true;

    const QString name = m_tile.Title.Text;
    QString value = m_tile.Value.Text;
    if (m_tile.IsEmpty())
        value = tr("empty");
    QStringList parts {value};
    if (m_tile.Subtitle.Visible && !m_tile.Subtitle.Text.isEmpty())
        parts << m_tile.Subtitle.Text;
    // the placeholders of a tile that never showed a reading say nothing
    const QString min = Trimmed(m_tile.MinText.Text);
    const QString max = Trimmed(m_tile.MaxText.Text);
    if (!min.isEmpty() && min != QLatin1String("(min)"))
        parts << tr("min %1").arg(min);
    if (!max.isEmpty() && max != QLatin1String("(max)"))
        parts << tr("max %1").arg(max);
    const QString description = parts.join(QLatin1String(", "));

    // the setters announce NameChanged and DescriptionChanged themselves
    if (name != m_accessibleName) {
        m_accessibleName = name;
        setAccessibleName(name);
    }
    if (description != m_accessibleDescription) {
        m_accessibleDescription = description;
        setAccessibleDescription(description);
    }
    if (value != m_accessibleValue) {
        m_accessibleValue = value;
        QAccessibleValueChangeEvent event(this, value);
        QAccessible::updateAccessibility(&event);
    }
}

// ---- menu

void TileWidget::BuildMenu()
{
    m_menu = new QMenu(this);
    // Actions run after the menu has closed: they may open a box or remove this tile.
    const auto on = [this](QAction* action, auto slot) {
        connect(action, &QAction::triggered, this, slot, Qt::QueuedConnection);
    };
    on(m_menu->addAction(tr("&Add")), [this] { Q_EMIT addTileRequested(-1); });
    on(m_menu->addAction(tr("&Remove...")), [this] { ConfirmRemove(); });
    m_menu->addSeparator();
    QMenu* types = m_menu->addMenu(tr("&Type"));
    m_typeGroup = new QActionGroup(this);
    m_typeGroup->setExclusive(true);
    const QString captions[] = {tr("&Text"), tr("&Progress"), tr("&Min-Max"), tr("&Chart"),
        tr("P&ie"), tr("&Bar")};
    for (int tag = 0; tag < 6; ++tag) {
        QAction* action = types->addAction(captions[tag]);
        action->setCheckable(true);
        action->setData(tag);
        m_typeGroup->addAction(action);
        m_typeActions.push_back(action);
        on(action, [this, tag] { ChooseDisplayType(tag); });
    }
    m_menu->addSeparator();
    m_showPeers = m_menu->addAction(tr("&Show Peers"));
    m_showPeers->setCheckable(true);
    m_showPeers->setData(6);
    on(m_showPeers, [this] { ChooseDisplayType(6); });
    m_menu->addSeparator();
    on(m_menu->addAction(tr("I&nsert")), [this] {
        if (m_attached)
            Q_EMIT addTileRequested(m_tile.TileNumber);
    });
    m_replace = m_menu->addAction(tr("R&eplace"));
    on(m_replace, [this] {
        if (!m_attached)
            return;
        m_tiles.Assign(m_tile);
        SyncFromModel();
    });
    m_menu->addSeparator();
    on(m_menu->addAction(tr("&Properties")), [this] {
        if (m_attached)
            Q_EMIT propertiesRequested(&m_tile);
    });
    connect(m_menu, &QMenu::aboutToShow, this, &TileWidget::PrepareMenu);
    // the main window un-highlights on close; show it once its handler has run
    connect(m_menu, &QMenu::aboutToHide, this, &TileWidget::SyncFromModel, Qt::QueuedConnection);
}

void TileWidget::PrepareMenu()
{
    if (!m_attached)
        return;
    m_tiles.Highlight(m_tile, Palette().HighlightColor);
    const TileMenuState state = m_tile.PopupMenu1Popup();
    const bool enabled[] = {state.TextEnabled, state.ProgressEnabled, state.MinMaxEnabled,
        state.ChartEnabled, state.PieEnabled, state.BarEnabled};
    for (int tag = 0; tag < 6; ++tag) {
        m_typeActions[size_t(tag)]->setEnabled(enabled[tag]);
        m_typeActions[size_t(tag)]->setChecked(tag == std::min(state.CheckedType, 5));
    }
    m_showPeers->setEnabled(state.ShowPeersEnabled);
    m_showPeers->setChecked(state.ShowPeersChecked);
    m_replace->setEnabled(state.ReplaceEnabled);
    SyncFromModel();
}

void TileWidget::PopupMenuAt(const QPoint& globalPosition)
{
    if (!m_attached || m_menu->isVisible())
        return;
    m_menu->popup(globalPosition);
}

void TileWidget::ChooseDisplayType(int tag)
{
    if (!m_attached)
        return;
    m_tile.OnChangeDisplayType(tag, m_showPeers->isChecked());
    SyncFromModel();
}

void TileWidget::ConfirmRemove()
{
    if (!m_attached)
        return;
    m_tiles.Highlight(m_tile, Palette().DropColor);
    SyncFromModel();
    QApplication::beep();
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(),
        tr("This will delete the selected Tile. Continue?"),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    box.move(mapToGlobal(QPoint(100, 100)));
    const QPointer<TileWidget> self(this);
    const int answer = box.exec();
    if (!self || !m_attached)
        return;
    if (answer == QMessageBox::Ok) {
        Q_EMIT removeTileRequested(&m_tile);  // this widget may be on its way out now
        return;
    }
    m_tiles.Unhighlight(m_tile);
    SyncFromModel();
}

void TileWidget::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenuAt(event->globalPos());
    event->accept();
}

// ---- mouse and keyboard

bool TileWidget::IsClickPart(const QPoint& point) const
{
    return m_layout.Value.contains(point)
        || (m_tile.ChartAreaVisible && m_layout.ChartArea.contains(point))
        || (m_tile.ChartVisible && m_layout.Chart.contains(point));
}

void TileWidget::Click()
{
    // only a tile on the empty green takes a click: Replace from the tree
    if (!m_attached || !m_tile.ShowsEmptyGreen())
        return;
    m_tiles.TileClicked(m_tile);
    SyncFromModel();
}

// Press, drag and double-click belong to the value, the chart area and the chart; the title
// and subtitle take none of them.
void TileWidget::mousePressEvent(QMouseEvent* event)
{
    if (!m_attached)
        return;
    if (!IsClickPart(event->position().toPoint())) {
        m_pressed = false;
        return;
    }
    m_pressed = true;
    m_dragStarted = false;
    m_doubleClickPress = false;
    m_pressPoint = event->position().toPoint();
    m_pressedOnClickPart = IsClickPart(m_pressPoint);
    m_tiles.TileMousePress(m_tile, m_pressPoint);
}

void TileWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!m_attached || !IsClickPart(event->position().toPoint()))
        return;
    mousePressEvent(event);
    m_doubleClickPress = true;  // its release is no click
    m_doubleClickTimer.start();
}

void TileWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_attached || !m_pressed || event->buttons() == Qt::NoButton || m_dragStarted)
        return;
    if (m_tiles.TileMouseMove(m_tile, event->position().toPoint()))
        StartDrag();
}

void TileWidget::StartDrag()
{
    m_dragStarted = true;
    SyncFromModel();  // the source shows the highlight
    auto* mime = new QMimeData;
    mime->setData(kTileMimeType, QByteArray::number(m_tile.TileNumber));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(grab());
    drag->setHotSpot(m_pressPoint);
    m_drag = drag;
    const QPointer<TileWidget> self(this);
    drag->exec(Qt::MoveAction);  // Qt disposes of the drag
    if (!self)
        return;
    m_drag = nullptr;
    m_pressed = false;
    if (!m_attached)
        return;
    m_tiles.TileEndDrag(m_tile);
    SyncFromModel();
}

void TileWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_attached)
        return;
    const bool click = m_pressed && !m_dragStarted && !m_doubleClickPress
        && event->button() == Qt::LeftButton && m_pressedOnClickPart
        && IsClickPart(event->position().toPoint());
    m_pressed = false;
    m_doubleClickPress = false;
    m_tiles.TileMouseRelease();
    if (click)
        Click();
}

void TileWidget::DoubleClickTimerFired()
{
    m_doubleClickTimer.stop();
    if (!m_attached)
        return;
    if (m_drag)
        QDrag::cancel();
    Q_EMIT propertiesRequested(&m_tile);
}

void TileWidget::keyPressEvent(QKeyEvent* event)
{
    if (!m_attached) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool menuKey = event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (menuKey) {
        PopupMenuAt(mapToGlobal(m_layout.Value.isEmpty() ? rect().center()
                                                         : m_layout.Value.topLeft() + QPoint(8, 8)));
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && event->modifiers() == Qt::NoModifier && m_tile.ShowsEmptyGreen()) {
        Click();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        ConfirmRemove();  // as the menu's "&Remove..."
        return;
    }
    QWidget::keyPressEvent(event);
}

void TileWidget::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    // marked only when reached without the mouse; a menu or another window keeps the mark
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        m_showFocus = reason != Qt::MouseFocusReason;
    update();
}

void TileWidget::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        m_showFocus = false;
    update();
}

// ---- drag and drop between tiles

void TileWidget::dragEnterEvent(QDragEnterEvent* event)
{
    DragOver(event);
}

void TileWidget::dragMoveEvent(QDragMoveEvent* event)
{
    DragOver(event);
}

void TileWidget::DragOver(QDragMoveEvent* event)
{
    if (m_attached && event->mimeData()->hasFormat(kTileMimeType) && m_tiles.TileDragOver(m_tile)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
    SyncFromModel();
}

void TileWidget::dropEvent(QDropEvent* event)
{
    if (!m_attached || !event->mimeData()->hasFormat(kTileMimeType)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    m_tiles.TileDragDrop(m_tile);
    SyncFromModel();
}

} // namespace gaugeloft
