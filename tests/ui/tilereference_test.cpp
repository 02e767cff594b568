// Every display type, drawn by a shown tile widget through its own repaints, compared pixel
// for pixel with a sheet of references: still, right after a poll, and half-way through the
// bar's animation. GAUGELOFT_WRITE_REFERENCES=1 writes the sheet instead of comparing.

#include "dashboard/tilefixture.h"
#include "ui/tilepainter.h"
#include "ui/tilewidget.h"

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryFile>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace gaugeloft {
namespace {

using testing::TileWorld;

const QString kSheetPath = QStringLiteral(GAUGELOFT_TEST_FIXTURES "/tile-references.png");
const QString kFontKey = QStringLiteral("font");
constexpr int kColumns = 3;  // still, after a poll, half-way

// What the backing store holds: the tile as its repaints left it, not a fresh render.
QImage OnScreen(QWidget& widget)
{
    QCoreApplication::processEvents();
    return widget.screen()->grabWindow(widget.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

QString FontKey()
{
    return QFontInfo(TileTitleFont()).family() + QLatin1Char('/') + QFontInfo(TileValueFont(22)).family();
}

struct Row {
    const char* name;
    int type;  // -1: the tile stays empty; -2: bound to a sensor that is not there
    bool peers;
    const char* sensor;
};

// Readings of the sensors per poll; the last poll is the one caught mid-way.
constexpr double kReadings[][4] = {
    {41.0, 12.0, 1180.0, 3.1},
    {44.5, 37.0, 1320.0, 3.4},
    {52.0, 81.0, 1650.0, 2.2},
    {47.0, 64.0, 1490.0, 2.9},
    {58.5, 23.0, 1710.0, 3.6},
    {49.0, 92.0, 1260.0, 1.4},
};

class Scene {
public:
    explicit Scene(const Row& row)
    {
        auto& host = world.host;
        host.animationSteps = 4;
        host.palette = PresetPalette(thDark);
        host.measure = [](const QString& text, int points) {
            return QFontMetrics(TileValueFont(points)).horizontalAdvance(text);
        };
        TreeNode* cpu = host.AddHardware("Intel Core i7-8700", "/intelcpu/0");
        m_records = {
            &host.AddSensor(cpu, "CPU Package", "/intelcpu/0/temperature/0", "Temperature", 40, 30, 80),
            &host.AddSensor(cpu, "CPU Core #1", "/intelcpu/0/load/1", "Load", 10, 0, 100),
            &host.AddSensor(cpu, "Fan #1", "/intelcpu/0/fan/1", "Fan", 1100, 900, 1800),
            &host.AddSensor(cpu, "CPU Core #2", "/intelcpu/0/load/2", "Load", 50, 0, 100),
        };
        host.AddSensor(cpu, "CPU Core #3", "/intelcpu/0/load/3", "Load", 70, 0, 100);
        TSensorFrame& tile = world.tiles.At(world.tiles.AddTile(-1));
        m_tile = &tile;
        if (row.type >= 0 || row.type == -2) {
            host.current = host.Node(QString::fromLatin1(row.sensor));
            world.tiles.Assign(tile);
            host.current = nullptr;
            if (row.type >= 0)
                tile.OnChangeDisplayType(row.type, row.peers);
            if (row.type == -2)
                host.tree.Delete(host.Node(QString::fromLatin1(row.sensor)));
        }
        widget = std::make_unique<TileWidget>(tile, world.tiles);
        widget->SetPalette(host.palette);
        widget->show();
    }

    void Poll(int index)
    {
        const double* values = kReadings[index];
        for (size_t i = 0; i < m_records.size(); ++i) {
            m_records[i]->SetValue(values[i]);
            m_records[i]->Min = std::min(m_records[i]->Min, values[i]);
            m_records[i]->Max = std::max(m_records[i]->Max, values[i]);
        }
        world.tiles.RefreshAll(false);
    }

    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            world.tiles.Timer3Timer();
    }

    TileWorld world;
    std::unique_ptr<TileWidget> widget;

private:
    TSensorFrame* m_tile = nullptr;
    std::vector<TSensorData*> m_records;
};

const Row kRows[] = {
    {"empty", -1, false, ""},
    {"waiting", -2, false, "/intelcpu/0/load/3"},
    {"text", dtText, false, "/intelcpu/0/temperature/0"},
    {"progress", dtProgress, false, "/intelcpu/0/temperature/0"},
    {"min-max", dtMinMax, false, "/intelcpu/0/fan/1"},
    {"chart", dtChart, false, "/intelcpu/0/load/1"},
    {"pie", dtPie, false, "/intelcpu/0/load/1"},
    {"bar", dtBar, false, "/intelcpu/0/fan/1"},
    {"peers", dtMultiBars, true, "/intelcpu/0/load/1"},
};
constexpr int kRowCount = int(std::size(kRows));

// The three pictures of one row, drawn by one shown widget.
std::vector<QImage> DrawRow(const Row& row)
{
    Scene scene(row);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(scene.widget.get())) << row.name;
    constexpr int kPolls = int(std::size(kReadings));
    for (int poll = 0; poll < kPolls - 1; ++poll) {
        scene.Poll(poll);
        OnScreen(*scene.widget);  // paints between the steps, as the event loop would
        for (int tick = 0; tick < 4; ++tick) {
            scene.Ticks(1);
            OnScreen(*scene.widget);
        }
    }
    std::vector<QImage> pictures;
    pictures.push_back(OnScreen(*scene.widget));
    scene.Poll(kPolls - 1);
    pictures.push_back(OnScreen(*scene.widget));
    scene.Ticks(1);
    OnScreen(*scene.widget);
    scene.Ticks(1);
    pictures.push_back(OnScreen(*scene.widget));
    // what the repaints left is what a whole new picture of the tile shows
    const QImage whole = scene.widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(whole == pictures.back()) << row.name;
    return pictures;
}

QImage DrawSheet()
{
    const int size = TSensorFrame::kSize;
    QImage sheet(kColumns * size, kRowCount * size, QImage::Format_RGB32);
    sheet.fill(Qt::magenta);
    QPainter painter(&sheet);
    for (int r = 0; r < kRowCount; ++r) {
        const std::vector<QImage> pictures = DrawRow(kRows[r]);
        for (int c = 0; c < kColumns; ++c) {
            EXPECT_EQ(pictures[size_t(c)].size(), QSize(size, size)) << kRows[r].name;
            painter.drawImage(c * size, r * size, pictures[size_t(c)]);
        }
    }
    painter.end();
    sheet.setText(kFontKey, FontKey());
    return sheet;
}

TEST(TileReference, EveryDisplayTypeMatchesItsReferencePixels)
{
    const QImage sheet = DrawSheet();
    if (qEnvironmentVariableIntValue("GAUGELOFT_WRITE_REFERENCES") == 1) {
        ASSERT_TRUE(sheet.save(kSheetPath)) << kSheetPath.toStdString();
        GTEST_SKIP() << "references written to " << kSheetPath.toStdString();
    }
    QImage reference(kSheetPath);
    ASSERT_FALSE(reference.isNull()) << kSheetPath.toStdString();
    if (reference.text(kFontKey) != FontKey())
        GTEST_SKIP() << "references drawn with " << reference.text(kFontKey).toStdString()
                     << ", this system has " << FontKey().toStdString();
    reference = reference.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(reference.size(), sheet.size());
    const int size = TSensorFrame::kSize;
    int wrong = 0;
    for (int r = 0; r < kRowCount; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            int differing = 0;
            for (int y = r * size; y < (r + 1) * size; ++y)
                for (int x = c * size; x < (c + 1) * size; ++x)
                    differing += sheet.pixel(x, y) != reference.pixel(x, y);
            EXPECT_EQ(differing, 0) << kRows[r].name << ", picture " << c;
            wrong += differing;
        }
    }
    if (wrong > 0) {
        QTemporaryFile actual(QDir::temp().filePath(QStringLiteral("gaugeloft-tiles-XXXXXX.png")));
        actual.setAutoRemove(false);
        if (actual.open() && sheet.save(&actual, "PNG"))
            ADD_FAILURE() << "what was drawn: " << actual.fileName().toStdString();
    }
}

} // namespace
} // namespace gaugeloft
