#include "sources/fakesysfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace gaugeloft::test {

FakeSysfs::FakeSysfs()
{
    MakeDir(QStringLiteral("sys/class"));
    MakeDir(QStringLiteral("proc"));
}

void FakeSysfs::Write(const QString& relative, const QByteArray& content)
{
    const QString full = Path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

void FakeSysfs::MakeDir(const QString& relative)
{
    QDir().mkpath(Path(relative));
}

void FakeSysfs::Link(const QString& relative, const QString& targetRelative)
{
    const QString full = Path(relative);
    const QString folder = QFileInfo(full).path();
    QDir().mkpath(folder);
    QFile::remove(full);
    const QString target = QDir(folder).relativeFilePath(Path(targetRelative));
    [[maybe_unused]] const int rc = ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(full).constData());
}

void FakeSysfs::Remove(const QString& relative)
{
    const QString full = Path(relative);
    const QFileInfo info(full);
    if (info.isDir() && !info.isSymLink())
        QDir(full).removeRecursively();
    else
        QFile::remove(full);
}

void FakeSysfs::AddDevice(const QString& devicePath, const QString& subsystem, const QString& parentDevice)
{
    const QString dev = QStringLiteral("sys/devices/") + devicePath;
    MakeDir(dev);
    if (!subsystem.isEmpty()) {
        MakeDir(QStringLiteral("sys/") + subsystem);
        Link(dev + QStringLiteral("/subsystem"), QStringLiteral("sys/") + subsystem);
    }
    if (!parentDevice.isEmpty())
        Link(dev + QStringLiteral("/device"), QStringLiteral("sys/devices/") + parentDevice);
}

QString FakeSysfs::AddHwmon(const QString& entry, const QString& name, const QString& devicePath,
                            const QMap<QString, QByteArray>& attributes)
{
    const QString dev = QStringLiteral("sys/devices/") + (devicePath.isEmpty() ? QStringLiteral("virtual") : devicePath);
    const QString chip = dev + QStringLiteral("/hwmon/") + entry;
    MakeDir(chip);
    Write(chip + QStringLiteral("/name"), name.toUtf8() + '\n');
    if (!devicePath.isEmpty())
        Link(chip + QStringLiteral("/device"), dev);
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        Write(chip + QLatin1Char('/') + it.key(), it.value());
    Link(QStringLiteral("sys/class/hwmon/") + entry, chip);
    return chip;
}

void FakeSysfs::RemoveHwmon(const QString& entry)
{
    const QString link = Path(QStringLiteral("sys/class/hwmon/") + entry);
    const QString target = QFileInfo(link).canonicalFilePath();
    QFile::remove(link);
    if (!target.isEmpty())
        QDir(target).removeRecursively();
}

void FakeSysfs::AddDisk(const QString& disk, const QStringList& partitions, const QString& devicePath)
{
    const QString dev = QStringLiteral("sys/devices/") + (devicePath.isEmpty() ? QStringLiteral("virtual") : devicePath);
    const QString diskDir = dev + QStringLiteral("/block/") + disk;
    MakeDir(diskDir);
    if (!devicePath.isEmpty())
        Link(diskDir + QStringLiteral("/device"), dev);
    Link(QStringLiteral("sys/class/block/") + disk, diskDir);
    int n = 1;
    for (const QString& part : partitions) {
        Write(diskDir + QLatin1Char('/') + part + QStringLiteral("/partition"), QByteArray::number(n++) + '\n');
        Link(QStringLiteral("sys/class/block/") + part, diskDir + QLatin1Char('/') + part);
    }
}

void FakeSysfs::AddPowerSupply(const QString& name, const QMap<QString, QByteArray>& attributes)
{
    const QString dir = QStringLiteral("sys/devices/virtual/power_supply/") + name;
    MakeDir(dir);
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        Write(dir + QLatin1Char('/') + it.key(), it.value());
    Link(QStringLiteral("sys/class/power_supply/") + name, dir);
}

} // namespace gaugeloft::test
