#pragma once

// Disks: an item per disk with a mounted partition (loop, ram and zram devices aside) with its
// used space over the mounted partitions and its read and write rates of /proc/diskstats.

#include "sources/kernel/kernelmodel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace gaugeloft::sources::kernel {

struct DiskCounters {
    std::string_view name;
    std::uint64_t sectorsRead = 0;
    std::uint64_t sectorsWritten = 0;
};
void ParseDiskstats(std::string_view text, std::vector<DiskCounters>& out);

struct MountEntry {
    QString device;
    QString mountPoint;
};
// Lines of /proc/mounts, with the octal escapes (\040 and friends) decoded.
std::vector<MountEntry> ParseMounts(std::string_view text);

class DiskFamily {
public:
    DiskFamily(const QString& sysRoot, const QString& procRoot);

    void OpenProcFiles();
    // Adds an item per mounted disk of the mount table `mounts`.
    void DiscoverItems(DiscoveryBuilder& builder, std::string_view mounts);
    // The item of the disk whose device is or holds `devicePath`, or -1.
    int ItemOfDevice(const QString& devicePath) const;
    // Adds the disks' own sensors, after any that hwmon chips gave their items.
    void DiscoverSensors(DiscoveryBuilder& builder);
    void Read(SensorTable& table, double seconds);

private:
    struct Found {
        QString name;
        QString model;
        QString devicePath;
        QStringList partitions;
        std::vector<QByteArray> mountPoints;
        int item = -1;
    };
    struct Disk {
        QByteArray name;
        std::vector<QByteArray> mountPoints; // one per mounted partition
        int used = -1, readRate = -1, writeRate = -1;
    };

    QString m_sys, m_proc;
    KernelFile m_diskstatsFile;
    std::vector<char> m_buf;
    std::vector<DiskCounters> m_counters;
    std::map<QString, Found> m_found; // of the discovery under way
    std::vector<Disk> m_disks;
};

} // namespace gaugeloft::sources::kernel
