#include "dashboard/sensorframe.h"

#include "platform/numberformat.h"
#include "sensors/typetables.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace gaugeloft {

namespace {

constexpr int kValueTextLimit = 124;  // the value label's width
constexpr int kMinValuePoints = 6;    // the fitting stops here, however wide the text

// Half to even; false when the result is no 32-bit integer (or x is NaN).
bool RoundToInt(double x, int& out)
{
    const double r = std::nearbyint(x);
    if (!(r >= double(INT_MIN) && r <= double(INT_MAX)))
        return false;
    out = int(r);
    return true;
}

int RoundClamped(double x, int limit)
{
    const double r = std::nearbyint(x);
    if (!(r > -limit))  // NaN too
        return r > 0 ? limit : -limit;
    return r < limit ? int(r) : limit;
}

} // namespace

// Holds OnChanged back until the outermost operation on the tile ends.
class TSensorFrame::ChangeBatch {
public:
    explicit ChangeBatch(TSensorFrame& tile)
        : m_tile(tile)
    {
        ++m_tile.m_batchDepth;
    }
    ~ChangeBatch()
    {
        if (--m_tile.m_batchDepth == 0 && m_tile.m_changePending) {
            m_tile.m_changePending = false;
            if (m_tile.OnChanged)
                m_tile.OnChanged();
        }
    }
    ChangeBatch(const ChangeBatch&) = delete;
    ChangeBatch& operator=(const ChangeBatch&) = delete;

private:
    TSensorFrame& m_tile;
};

TSensorFrame::TSensorFrame(TileHost& host, int tileNumber)
    : TileNumber(tileNumber)
    , m_host(host)
{
    Title.Text = QString::number(tileNumber);
    ArrowsVisible = MinText.Visible;
    Series1.reserve(2);
    Series2.reserve(8);
    Series3.reserve(8);
}

void TSensorFrame::Changed()
{
    m_changePending = true;
    if (m_batchDepth == 0) {
        m_changePending = false;
        if (OnChanged)
            OnChanged();
    }
}

QSize TSensorFrame::ChartAreaSize() const
{
    // the details area spans the body's 124 pixels; 3-pixel margins all round
    const int height = DetailsHeight > 6 ? DetailsHeight - 6 : kChartHeight;
    return {kChartWidth, height};
}

// ---- binding and refresh

void TSensorFrame::BindSensor(const QString& identifier)
{
    ChangeBatch batch(*this);
    if (identifier.compare(SensorId, Qt::CaseInsensitive) != 0) {
        HardwareTree& tree = m_host.Tree();
        if (TreeNode* old = tree.NodeByIdentifier(SensorId)) {
            if (old->ImageIndex() == kSensorOnDashboardIcon)
                tree.SetImageIndex(old, kSensorIcon);
            ResetToEmptyLook();
        }
        SensorId = identifier;
        if (TreeNode* node = tree.NodeByIdentifier(SensorId)) {
            if (node->ImageIndex() == kSensorIcon)
                tree.SetImageIndex(node, kSensorOnDashboardIcon);
            RefreshTile();
        }
    }
    // nothing to release for an empty identifier: the host measures the value text
}

void TSensorFrame::ResetToEmptyLook()
{
    Value.Text = QStringLiteral("+");
    Title.Text = QString::number(TileNumber);
    Subtitle.Text = QStringLiteral("(empty)");
    Subtitle.Visible = true;
    Value.Background = kEmptyTileGreen;
    SetDisplayType(dtText);
    ClearHistory();
    ScaleFactor = 1;
    Changed();
}

void TSensorFrame::RefreshTile()
{
    ChangeBatch batch(*this);
    HardwareTree& tree = m_host.Tree();
    TreeNode* node = tree.NodeByIdentifier(SensorId);
    if (!node) {
        if (!IsEmpty()) {
            Subtitle.Text = QStringLiteral("(waiting)");
            Value.Text = QStringLiteral("...");
        }
        Value.Background = kEmptyTileGreen;
        Changed();
        return;
    }
    TSensorData* r = node->Data();
    if (!r)
        return;
    const double v = r->Value;

    bool known = true;
    UnitFormat(r->TypeName, &known);
    if (!known)
        m_host.SetCaption(QStringLiteral("Unknown sensor type: ") + r->TypeName);

    ShowsFahrenheit = m_host.ShowFahrenheit() && r->TypeIndex == stTemperature;
    r->Fahrenheit = ShowsFahrenheit;
    r->SingleLine = false;
    r->BareNumber = false;
    const QString valueText = r->FormatValue();
    const double h = ShowsFahrenheit ? (v - 32) * 5 / 9 : v;  // the history is in Celsius

    FitValueFont(valueText);

    if (r->TypeIndex == stClock || r->TypeIndex == stFan)
        r->BareNumber = true;
    else
        r->SingleLine = true;

    PeerMark = int(r->Name.indexOf(QLatin1String(" #"))) + 1;
    if (DisplayType == dtMultiBars && PeerMark > 0)
        Title.Text = r->Name.left(PeerMark - 1) + QLatin1Char('s');
    else
        Title.Text = r->Name;

    Value.Background = m_host.Palette().ValueBackColor;
    Value.Text = valueText;

    MinText.Text = QLatin1Char(' ') + r->FormatMin();
    MaxText.Text = r->FormatMax() + QLatin1Char(' ');

    if (TreeNode* parent = tree.NodeByIdentifier(r->Parent)) {
        DefaultSubtitle = parent->Text();
        Subtitle.Text = CustomName.isEmpty() ? DefaultSubtitle : CustomName;
        Subtitle.Visible = true;
    } else {
        DefaultSubtitle.clear();
        Subtitle.Visible = false;
    }

    double d = r->Max - r->Min;
    if (!std::isfinite(d))
        d = 0;
    ScaleFactor = d <= 10 ? 1000 : d <= 100 ? 100 : d <= 1000 ? 10 : 1;

    double top = r->Max;
    double bottom = r->Min;
    if (r->TypeIndex == stTemperature || r->TypeIndex == stLoad) {
        const double a = ShowsFahrenheit ? 32 : 0;
        const double b = ShowsFahrenheit ? 212 : 100;
        top = std::max(b, r->Max);
        bottom = std::min(a, r->Min);
    }
    int barMax = 0;
    int barMin = 0;
    const bool rangeSet = RoundToInt(top * ScaleFactor, barMax) && (ProgressBar1.SetMax(barMax), true)
        && RoundToInt(bottom * ScaleFactor, barMin) && (ProgressBar1.SetMin(barMin), true);
    if (!rangeSet) {
        QString caption;
        AppendPattern(caption, u"Error: V=%.2n", v);
        AppendPattern(caption, u" [%.2n", r->Min);
        AppendPattern(caption, u"-%.2n]", r->Max);
        m_host.SetCaption(caption);
    }

    int target = 0;
    if (!RoundToInt(ScaleFactor * v, target) || !StartAnimation(target))
        m_host.SetCaption(FormatPattern(u"Error: V=%.2n", v));

    PushHistory(h);

    if (DisplayType == dtChart)
        DrawChart();
    else if (DisplayType >= dtPie && DisplayType <= dtMultiBars)
        UpdateChartSeries(true);
    Changed();
}

void TSensorFrame::FitValueFont(const QString& valueText)
{
    if (DisplayType >= dtPie) {
        ValueFontPoints = 22;
        return;
    }
    int points = DisplayType == dtChart ? 18 : 22;
    while (points > kMinValuePoints && m_host.MeasureValueText(valueText, points) >= kValueTextLimit)
        points -= 2;
    ValueFontPoints = points;
}

void TSensorFrame::SetDisplayType(std::uint8_t type)
{
    if (type == DisplayType)
        return;
    ChangeBatch batch(*this);
    DisplayType = type;
    switch (type & 0x7F) {
    case dtText:
        DetailsVisible = false;
        ChartVisible = false;
        break;
    case dtProgress:
        MinText.Visible = MaxText.Visible = false;
        ChartAreaVisible = ChartVisible = false;
        ProgressVisible = true;
        DetailsHeight = 19;
        DetailsVisible = true;
        break;
    case dtMinMax:
        ChartAreaVisible = ProgressVisible = ChartVisible = false;
        MinText.Visible = MaxText.Visible = true;
        DetailsHeight = 19;
        DetailsVisible = true;
        break;
    case dtChart:
        MinText.Visible = MaxText.Visible = false;
        ProgressVisible = ChartVisible = false;
        ChartAreaVisible = true;
        DetailsHeight = 52;
        DetailsVisible = true;
        break;
    case dtPie:
    case dtBar:
    case dtMultiBars:
        MinText.Visible = MaxText.Visible = false;
        ProgressVisible = ChartAreaVisible = false;
        PieActive = (type & 0x7F) == dtPie;
        BarsActive = !PieActive;
        ChartVisible = true;
        DetailsHeight = 89;
        DetailsVisible = true;
        break;
    default:
        break;  // unknown numbers keep the parts as they are
    }
    Value.Visible = type < dtPie;
    ArrowsVisible = MinText.Visible;
    if (type == dtMultiBars)
        UpdateChartSeries(true);
    if (type == dtChart)
        DrawChart();
    else
        FreeChartBitmap();
    if (Animating())  // a bar that stood still while the type took no ticks
        m_host.AnimationStarted();
    Changed();
}

void TSensorFrame::AutoSelectDisplayType()
{
    if (DisplayType != dtText)
        return;
    if (Value.Text.contains(QLatin1Char('%')))
        SetDisplayType(dtProgress);
    if (Value.Text.contains(QLatin1String("/s")))
        SetDisplayType(dtChart);
}

void TSensorFrame::ReplaceFromTree()
{
    ChangeBatch batch(*this);
    BindSensor(QString());
    ClearHistory();
    TreeNode* node = m_host.CurrentNode();
    if (node && node->Data() && node->ImageIndex() == kSensorIcon)
        BindSensor(node->Data()->Identifier);
}

void TSensorFrame::SetCustomName(const QString& text)
{
    CustomName = text;
    Subtitle.Text = text.isEmpty() ? DefaultSubtitle : text;
    Changed();
}

// ---- history and chart picture

void TSensorFrame::ClearHistory()
{
    History.fill(0.0);
    HistoryNext = 0;
    FreeChartBitmap();
}

void TSensorFrame::PushHistory(double reading)
{
    History[size_t(HistoryNext)] = reading;
    HistoryNext = (HistoryNext + 1) % kHistorySize;
}

void TSensorFrame::FrameResize()
{
    const QSize size = ChartAreaSize();
    if (!ChartBitmap || ChartBitmap->size() != size)
        ChartBitmap = std::make_unique<QImage>(size, QImage::Format_RGB32);
    ChartBitmap->fill(ToQColor(DetailsColor));
    Changed();
}

void TSensorFrame::SyncChartBitmap()
{
    if (!ChartBitmap || ChartBitmap->size() != ChartAreaSize())
        FrameResize();
}

void TSensorFrame::FreeChartBitmap()
{
    m_chart.Forget();
    if (!ChartBitmap)
        return;
    ChartBitmap.reset();
    Changed();
}

void TSensorFrame::DrawChart()
{
    ChangeBatch batch(*this);
    SyncChartBitmap();
    if (ScaleFactor == 0)
        ScaleFactor = 1;
    const ChartLook look = ChartColumns(m_chart.Columns(), ChartBitmap->size());
    if (m_chart.Draw(*ChartBitmap, look))
        Changed();
}

QImage TSensorFrame::WholeChartPicture() const
{
    std::vector<int> columns;
    const ChartLook look = ChartColumns(columns, ChartAreaSize());
    QImage picture(look.Size, QImage::Format_RGB32);
    ChartPicture::DrawWhole(picture, look, columns);
    return picture;
}

ChartLook TSensorFrame::ChartColumns(std::vector<int>& columns, QSize size) const
{
    const int scale = ScaleFactor == 0 ? 1 : ScaleFactor;
    double lo = double(ProgressBar1.Min()) / scale;
    double hi = double(ProgressBar1.Max()) / scale;
    if (ShowsFahrenheit) {
        lo = (lo - 32) * 5 / 9;
        hi = (hi - 32) * 5 / 9;
    }
    const int width = size.width();
    const int h = size.height() - 2;
    int range = RoundClamped(hi - lo + 1, 1 << 30);
    if (range == 0)
        range = 1;
    // the oldest reading at the left; a 2-pixel pen from column width + 2 on leaves no pixel
    // in the picture
    int k = HistoryNext - width + 126;
    columns.resize(size_t(std::min(kSize - 1, width + 2)));
    for (int& y : columns) {
        k = (k + 1) % kHistorySize;
        // only a picture wider than the tile has columns before the oldest reading
        y = k < 0 ? ChartPicture::kNoReading
                  : h - RoundClamped((History[size_t(k)] - lo) * h / range, 1 << 20);
    }
    return {size, DetailsColor, Subtitle.Background, ProgressBar1.BackColor, ProgressBar1.BarColor};
}

// ---- animation and charts

bool TSensorFrame::StartAnimation(int target)
{
    AnimPosition = ProgressBar1.Position();
    const int steps = m_host.AnimationSteps();
    if (steps == 0)
        return false;
    AnimStep = (target - AnimPosition) / steps;
    if (Animating())
        m_host.AnimationStarted();
    return true;
}

void TSensorFrame::AnimationTick()
{
    // Multi-Bars: the peers move by their own readings, not only while the tile's own bar moves
    const bool peersMove = DisplayType == dtMultiBars && PeerTicksLeft > 0;
    if (AnimStep == 0 && !peersMove)
        return;
    ChangeBatch batch(*this);
    if (peersMove) {
        --PeerTicksLeft;
        UpdateChartSeries(false);
    }
    if (AnimStep == 0)
        return;
    AnimPosition += AnimStep;
    int p = 0;
    if (!RoundToInt(AnimPosition, p)) {
        if (std::isnan(AnimPosition))
            return;
        p = AnimPosition > 0 ? INT_MAX : INT_MIN;
    }
    if (p == ProgressBar1.Position())
        return;
    const int before = ProgressBar1.Position();
    ProgressBar1.SetPosition(p);
    if (ProgressBar1.Position() != before)
        Changed();
    if (DisplayType != dtMultiBars)
        UpdateChartSeries(false);
}

void TSensorFrame::UpdateChartSeries(bool rebuild)
{
    ChangeBatch batch(*this);
    const double filled = double(ProgressBar1.Position()) - ProgressBar1.Min();
    const double remaining = double(ProgressBar1.Max()) - ProgressBar1.Position();
    const TColor back = ProgressBar1.BackColor;
    const TColor bar = ProgressBar1.BarColor;
    switch (DisplayType) {
    case dtPie:
        if (Series1.size() < 2 || rebuild) {
            Series1.clear();
            Series1.push_back({remaining, back});
            Series1.push_back({filled, bar});
            ChartTitle = Value.Text;
            Changed();
        } else if (Series1[0].Value != remaining || Series1[1].Value != filled) {
            Series1[0].Value = remaining;
            Series1[1].Value = filled;
            Changed();
        }
        break;
    case dtBar:
        if (Series2.empty() || Series3.empty() || rebuild) {
            Series2.clear();
            Series3.clear();
            Series2.push_back({filled, bar});
            Series3.push_back({remaining, back});
            ChartTitle = Value.Text;
            Changed();
        } else if (Series3[0].Value != remaining || Series2[0].Value != filled) {
            Series2[0].Value = filled;
            Series3[0].Value = remaining;
            Changed();
        }
        break;
    case dtMultiBars:
        if (Series2.empty() || rebuild) {
            Series2.clear();
            Series3.clear();
            Changed();
            UpdatePeerBars(true);
        } else {
            UpdatePeerBars(false);
        }
        break;
    default:
        break;
    }
}

void TSensorFrame::SetPeerBar(int position, double remaining, double filled)
{
    const double f = filled * ScaleFactor;
    const double g = remaining * ScaleFactor;
    if (position == kAppend) {
        Series2.push_back({f, ProgressBar1.BarColor});
        Series3.push_back({g, ProgressBar1.BackColor});
        Changed();
        return;
    }
    if (position < 0 || size_t(position) >= Series2.size() || size_t(position) >= Series3.size())
        return;
    SeriesValue& a = Series2[size_t(position)];
    SeriesValue& b = Series3[size_t(position)];
    if (a.Value != f || b.Value != g) {
        a.Value = f;
        b.Value = g;
        Changed();
    }
}

void TSensorFrame::SetChartTitle(const QString& text)
{
    if (ChartTitle == text)
        return;
    ChartTitle = text;
    Changed();
}

void TSensorFrame::Recolor(const ThemePalette& palette)
{
    ChangeBatch batch(*this);
    if (Value.Background != kEmptyTileGreen)
        Value.Background = palette.ValueBackColor;
    Title.Background = palette.TileColor;
    BodyColor = palette.TileColor;
    Subtitle.Background = palette.TileBandColor;
    StripColor = palette.BackColor;
    DetailsColor = palette.BackColor;
    MinText.Background = MaxText.Background = palette.BackColor;

    Value.Color = palette.TextColor;
    Title.Color = palette.TextColor;
    Subtitle.Color = MinText.Color = MaxText.Color = palette.DimTextColor;

    ProgressBar1.BackColor = palette.PenBackColor;
    ProgressBar1.BarColor = palette.PenColor;

    ChartBackColor = palette.BackColor;
    ChartFrameColor = palette.TileBandColor;
    ChartTitleColor = palette.TextColor;
    ChartFootColor = palette.DimTextColor;

    if (Series1.size() == 2) {
        Series1[0].Color = palette.PenBackColor;
        Series1[1].Color = palette.PenColor;
    }
    if (DisplayType == dtChart)
        DrawChart();
    Changed();
}

// ---- menu

TileMenuState TSensorFrame::PopupMenu1Popup()
{
    TileMenuState state;
    state.ShowPeersEnabled = PeerMark != 0;
    state.ShowPeersChecked = DisplayType == dtMultiBars;
    state.CheckedType = DisplayType == dtMultiBars ? int(dtBar) : DisplayType <= dtBar ? int(DisplayType) : -1;
    const TreeNode* selected = m_host.SelectedNode();
    state.ReplaceEnabled = selected && selected->Data() && selected->ImageIndex() == kSensorIcon;
    m_replaceEnabled = state.ReplaceEnabled;
    const bool showsReading = !IsEmpty();
    state.TextEnabled = state.ProgressEnabled = state.MinMaxEnabled = state.ChartEnabled = showsReading;
    return state;
}

int TSensorFrame::OnChangeDisplayType(int tag, bool showPeersChecked)
{
    int type = tag;
    if (PeerMark != 0) {
        if (type == dtBar && showPeersChecked)
            type = dtMultiBars;
        else if (type == dtMultiBars && !showPeersChecked)
            type = dtBar;
    }
    SetDisplayType(std::uint8_t(type));
    return DisplayType;
}

} // namespace gaugeloft
