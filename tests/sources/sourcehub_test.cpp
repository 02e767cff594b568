#include "sources/sourcehub.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace gaugeloft::sources {
namespace {

TEST(SourceHub, OpensEachSourceOnceAndRefusesUnknownNames)
{
    QTemporaryDir root;
    SourceHubOptions options;
    options.sysRoot = root.path() + "/sys";
    options.procRoot = root.path() + "/proc";
    LinuxSourceHub hub(options);
    SensorSource& first = hub.Open(QString::fromLatin1(kKernelSourceName));
    EXPECT_EQ(&hub.Open(QString::fromLatin1(kKernelSourceName)), &first) << "one source per name";
    SensorSource& remote = hub.Open(QString::fromLatin1(kRemoteSourceName));
    EXPECT_EQ(&hub.Open(QString::fromLatin1(kRemoteSourceName)), &remote);
    EXPECT_NE(&remote, &first);
    EXPECT_THROW(hub.Open(QStringLiteral("root\\CIMV2")), SourceError);
}

TEST(SourceHub, ASnapshotFileAnswersForEveryName)
{
    QTemporaryDir root;
    const QString file = root.filePath("sensors.json");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(R"({"Hardware":[{"Name":"Board","Identifier":"/mb","Parent":"","HardwareType":"Mainboard"}],"Sensor":[]})");
    out.close();

    SourceHubOptions options;
    options.snapshotFile = file;
    LinuxSourceHub hub(options);
    SensorSource& local = hub.Open(QString::fromLatin1(kKernelSourceName));
    SensorSource& remote = hub.Open(QString::fromLatin1(kRemoteSourceName));
    EXPECT_EQ(&local, &remote);
    SourceObjectSet hardware;
    ASSERT_TRUE(remote.Enumerate(kHardwareClass, hardware));
    ASSERT_EQ(hardware.size(), 1u);
    EXPECT_EQ(hardware[0].values[hardware[0].names.indexOf("Name")].toString(), "Board");
}

TEST(SourceHub, TheSnapshotFileComesFromTheEnvironment)
{
    qputenv(kSensorFileVariable, "/tmp/some-sensors.json");
    EXPECT_EQ(SourceHubOptions::FromEnvironment().snapshotFile, "/tmp/some-sensors.json");
    qunsetenv(kSensorFileVariable);
    EXPECT_TRUE(SourceHubOptions::FromEnvironment().snapshotFile.isEmpty());
}

} // namespace
} // namespace gaugeloft::sources
