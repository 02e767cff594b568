#include "sources/fakesysfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace gaugeloft::test {

FakeSysfs::FakeSysfs()
{
    makeDir(QStringLiteral("sys/class"));
    makeDir(QStringLiteral("proc"));
}

void FakeSysfs::write(const QString& relative, const QByteArray& content)
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

void FakeSysfs::makeDir(const QString& relative)
{
    QDir().mkpath(path(relative));
}

void FakeSysfs::link(const QString& relative, const QString& targetRelative)
{
    const QString full = path(relative);
    const QString folder = QFileInfo(full).path();
    QDir().mkpath(folder);
    QFile::remove(full);
    const QString target = QDir(folder).relativeFilePath(path(targetRelative));
    [[maybe_unused]] const int rc = ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(full).constData());
}

void FakeSysfs::remove(const QString& relative)
{
    const QString full = path(relative);
    const QFileInfo info(full);
    if (info.isDir() && !info.isSymLink())
        QDir(full).removeRecursively();
    else
        QFile::remove(full);
}

void FakeSysfs::addDevice(const QString& devicePath, const QString& subsystem, const QString& parentDevice)
{
    const QString dev = QStringLiteral("sys/devices/") + devicePath;
    makeDir(dev);
    if (!subsystem.isEmpty()) {
        makeDir(QStringLiteral("sys/") + subsystem);
        link(dev + QStringLiteral("/subsystem"), QStringLiteral("sys/") + subsystem);
    }
    if (!parentDevice.isEmpty())
        link(dev + QStringLiteral("/device"), QStringLiteral("sys/devices/") + parentDevice);
}

QString FakeSysfs::addHwmon(const QString& entry, const QString& name, const QString& devicePath,
                            const QMap<QString, QByteArray>& attributes)
{
    const QString dev = QStringLiteral("sys/devices/") + (devicePath.isEmpty() ? QStringLiteral("virtual") : devicePath);
    const QString chip = dev + QStringLiteral("/hwmon/") + entry;
    makeDir(chip);
    write(chip + QStringLiteral("/name"), name.toUtf8() + '\n');
    if (!devicePath.isEmpty())
        link(chip + QStringLiteral("/device"), dev);
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        write(chip + QLatin1Char('/') + it.key(), it.value());
    link(QStringLiteral("sys/class/hwmon/") + entry, chip);
    return chip;
}

void FakeSysfs::removeHwmon(const QString& entry)
{
    const QString link = path(QStringLiteral("sys/class/hwmon/") + entry);
    const QString target = QFileInfo(link).canonicalFilePath();
    QFile::remove(link);
    if (!target.isEmpty())
        QDir(target).removeRecursively();
}

void FakeSysfs::addDisk(const QString& disk, const QStringList& partitions, const QString& devicePath)
{
    const QString dev = QStringLiteral("sys/devices/") + (devicePath.isEmpty() ? QStringLiteral("virtual") : devicePath);
    const QString diskDir = dev + QStringLiteral("/block/") + disk;
    makeDir(diskDir);
    if (!devicePath.isEmpty())
        link(diskDir + QStringLiteral("/device"), dev);
    link(QStringLiteral("sys/class/block/") + disk, diskDir);
    int n = 1;
    for (const QString& part : partitions) {
        write(diskDir + QLatin1Char('/') + part + QStringLiteral("/partition"), QByteArray::number(n++) + '\n');
        link(QStringLiteral("sys/class/block/") + part, diskDir + QLatin1Char('/') + part);
    }
}

void FakeSysfs::addPowerSupply(const QString& name, const QMap<QString, QByteArray>& attributes)
{
    const QString dir = QStringLiteral("sys/devices/virtual/power_supply/") + name;
    makeDir(dir);
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        write(dir + QLatin1Char('/') + it.key(), it.value());
    link(QStringLiteral("sys/class/power_supply/") + name, dir);
}

} // namespace gaugeloft::test
