#pragma once

// Builds fake /sys and /proc trees in a temporary folder, laid out like the kernel's
// (class folders of symlinks into devices/, `device` and `subsystem` links).

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace gaugeloft::test {

class FakeSysfs {
public:
    FakeSysfs();

    bool IsValid() const { return m_dir.isValid(); }
    QString Root() const { return m_dir.path(); }
    QString SysRoot() const { return Path(QStringLiteral("sys")); }
    QString ProcRoot() const { return Path(QStringLiteral("proc")); }
    QString Path(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }

    // Files and links, relative to the root; parent folders are made as needed.
    void Write(const QString& relative, const QByteArray& content);
    void MakeDir(const QString& relative);
    void Link(const QString& relative, const QString& targetRelative); // stored as a relative link
    void Remove(const QString& relative);                               // a file, link or folder tree

    // sys/devices/<devicePath> on a bus or class ("bus/pci", "class/nvme"); `parentDevice`
    // (a device path too) becomes its `device` link, as class devices have.
    void AddDevice(const QString& devicePath, const QString& subsystem, const QString& parentDevice = {});

    // sys/class/hwmon/<entry> for a chip of `name` below `devicePath` (empty: a virtual chip).
    // `attributes` maps file names to contents. Returns the chip's folder, relative.
    QString AddHwmon(const QString& entry, const QString& name, const QString& devicePath,
                     const QMap<QString, QByteArray>& attributes);
    void RemoveHwmon(const QString& entry);

    // sys/class/block/<disk> (and its partitions) below `devicePath` (empty: virtual).
    void AddDisk(const QString& disk, const QStringList& partitions, const QString& devicePath = {});

    // sys/class/power_supply/<name> with the given attributes.
    void AddPowerSupply(const QString& name, const QMap<QString, QByteArray>& attributes);

private:
    QTemporaryDir m_dir;
};

} // namespace gaugeloft::test
