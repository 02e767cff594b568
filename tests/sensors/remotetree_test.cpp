// The remote providers' documents as the tree shows them: Prometheus's answer for two machines
// and a Libre Hardware Monitor data.json, each detected and polled like any provider.

#include "support/fakesource.h"

#include "platform/numberformat.h"
#include "sensors/detection.h"
#include "sensors/provider.h"
#include "sources/lhmdocument.h"
#include "sources/nodemetrics.h"

#include <QFile>

#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

QByteArray Fixture(const QString& name)
{
    QFile file(QStringLiteral(GAUGELOFT_SOURCE_DIR "/tests/fixtures/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One node per line, indented by level.
QStringList Outline(HardwareTree& tree)
{
    QStringList lines;
    for (int position = 0; position < tree.NodeCount(); ++position) {
        const TreeNode* node = tree.NodeAt(position);
        int depth = 0;
        for (const TreeNode* p = node->Parent(); p; p = p->Parent())
            ++depth;
        lines << QString(depth * 2, ' ') + node->Text();
    }
    return lines;
}

QStringList DetectedOutline(const sources::SensorDocument& document)
{
    testing::FakeHub hub;
    testing::FakeSource& source = hub.source(QString::fromLatin1(kProviders[0].sourceName));
    source.hardware = document.hardware;
    source.sensors = document.sensors;
    ProviderState provider(hub);
    provider.SetupProvider(0);
    HardwareTree tree;
    DetectionContext context;
    context.animationSteps = 24;
    context.hasTile = [](const QString&) { return false; };
    context.caption = [](const QString& message) { ADD_FAILURE() << message.toStdString(); };
    DetectTree(tree, *provider.HardwareReader, *provider.SensorReader, context);
    provider.SensorReader->Requery();
    RefreshTreeReadings(tree, *provider.SensorReader, false,
                        [](const QString& message) { ADD_FAILURE() << message.toStdString(); });
    return Outline(tree);
}

TEST(RemoteTree, APrometheusServersMachinesAreComputersOfTheirOwn)
{
    NumberLocale::SetCurrent(NumberLocale{});
    sources::NodeMetrics metrics;
    sources::SensorDocument document;
    ASSERT_TRUE(metrics.ReadQueryAnswer(Fixture("prometheus/query.json"), document));
    const QStringList outline = DetectedOutline(document);
    ASSERT_FALSE(outline.isEmpty());
    EXPECT_EQ(outline[0], "Mainboard");
    const qsizetype alpha = outline.indexOf("  alpha");
    const qsizetype beta = outline.indexOf("  beta");
    ASSERT_GE(alpha, 0) << outline.join('\n').toStdString();
    ASSERT_GT(beta, alpha);
    // each machine holds its own items, and sensors read in their units
    const QStringList alphaPart = outline.mid(alpha, beta - alpha);
    const QString all = alphaPart.join('\n');
    for (const char* expected : {"    ", "Temperature", "Load", "CPU Total: ", "Memory: "}) {
        EXPECT_TRUE(all.contains(QLatin1String(expected))) << expected << "\n" << all.toStdString();
    }
    EXPECT_TRUE(all.contains(QRegularExpression(QStringLiteral(": \\d+\\.\\d 'C")))) << all.toStdString();
    EXPECT_TRUE(all.contains(QRegularExpression(QStringLiteral(": \\d+ RPM")))) << all.toStdString();
    EXPECT_TRUE(all.contains(QRegularExpression(QStringLiteral(": \\d+\\.\\d{3} V")))) << all.toStdString();
}

TEST(RemoteTree, ALibreHardwareMonitorChipSitsUnderItsMainboard)
{
    NumberLocale::SetCurrent(NumberLocale{});
    sources::SensorDocument document;
    ASSERT_TRUE(sources::ReadLhmDocument(Fixture("lhm/data-old.json"), document));
    const QStringList outline = DetectedOutline(document);
    const QString all = outline.join('\n');
    EXPECT_TRUE(all.contains(QStringLiteral("Motherboard\n  Gigabyte B450M\n    ITE IT8686E\n"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QRegularExpression(QStringLiteral("Fan #1: [\\d,.]+ RPM")))) << all.toStdString();
}

} // namespace
} // namespace gaugeloft
