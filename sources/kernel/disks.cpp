#include "sources/kernel/disks.h"

#include "sources/kernel/kerneltext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

#include <algorithm>

namespace gaugeloft::sources::kernel {

namespace {

QString UnescapeMountField(std::string_view field)
{
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(field.size()));
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                bytes.append(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return QString::fromUtf8(bytes);
}

QString BaseName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

bool Exists(const QString& path)
{
    return QFileInfo::exists(path);
}

} // namespace

void ParseDiskstats(std::string_view text, std::vector<DiskCounters>& out)
{
    out.clear();
    std::string_view line;
    while (NextLine(text, line)) {
        std::string_view major, minor;
        DiskCounters counters;
        if (!NextField(line, major) || !NextField(line, minor) || !NextField(line, counters.name))
            continue;
        std::uint64_t field[7] = {};
        bool ok = true;
        for (auto& f : field) {
            if (!NextU64(line, f)) {
                ok = false;
                break;
            }
        }
        if (!ok)
            continue;
        counters.sectorsRead = field[2];
        counters.sectorsWritten = field[6];
        out.push_back(counters);
    }
}

std::vector<MountEntry> ParseMounts(std::string_view text)
{
    std::vector<MountEntry> mounts;
    std::string_view line;
    while (NextLine(text, line)) {
        std::string_view device, mountPoint;
        if (!NextField(line, device) || !NextField(line, mountPoint))
            continue;
        mounts.push_back({UnescapeMountField(device), UnescapeMountField(mountPoint)});
    }
    return mounts;
}

DiskFamily::DiskFamily(const QString& sysRoot, const QString& procRoot)
    : m_sys(sysRoot)
    , m_proc(procRoot)
{
}

void DiskFamily::OpenProcFiles()
{
    if (!m_diskstatsFile.IsValid())
        m_diskstatsFile = KernelFile(m_proc + QLatin1String("/diskstats"), true);
}

void DiskFamily::DiscoverItems(DiscoveryBuilder& builder, std::string_view mounts)
{
    m_found.clear();
    m_disks.clear();
    const QString classBlock = m_sys + QLatin1String("/class/block/");
    for (const MountEntry& mount : ParseMounts(mounts)) {
        if (!mount.device.startsWith(QLatin1String("/dev/")))
            continue;
        QString dev = BaseName(mount.device);
        QString blockDir = classBlock + dev;
        if (!Exists(blockDir)) {
            // /dev/mapper/x, /dev/disk/by-uuid/y: follow the device node's link.
            const QString resolved = QFileInfo(mount.device).canonicalFilePath();
            if (resolved.isEmpty())
                continue;
            dev = BaseName(resolved);
            blockDir = classBlock + dev;
            if (dev.isEmpty() || !Exists(blockDir))
                continue;
        }
        QString disk = dev;
        if (Exists(blockDir + QLatin1String("/partition"))) {
            const QString parent = QFileInfo(QFileInfo(blockDir).canonicalFilePath()).dir().dirName();
            if (!parent.isEmpty() && parent != dev && Exists(classBlock + parent))
                disk = parent;
        }
        if (disk.startsWith(QLatin1String("loop")) || disk.startsWith(QLatin1String("ram"))
            || disk.startsWith(QLatin1String("zram")))
            continue;
        Found& found = m_found[disk];
        if (found.name.isEmpty()) {
            found.name = disk;
            const QString diskDir = classBlock + disk;
            found.model = ReadTrimmed(diskDir + QLatin1String("/device/model"));
            found.devicePath = QFileInfo(diskDir + QLatin1String("/device")).canonicalFilePath();
        }
        if (!found.partitions.contains(dev)) {
            found.partitions.append(dev);
            found.mountPoints.push_back(QFile::encodeName(mount.mountPoint));
        }
    }
    for (auto& [name, found] : m_found) {
        found.item = builder.AddItem(GroupStorage, QStringLiteral("/disk/") + name,
                                     found.model.isEmpty() ? name : found.model, TypeName("Storage"));
    }
}

int DiskFamily::ItemOfDevice(const QString& devicePath) const
{
    const QString prefix = devicePath + QLatin1Char('/');
    for (const auto& [name, found] : m_found) {
        if (!found.devicePath.isEmpty() && (found.devicePath == devicePath || found.devicePath.startsWith(prefix)))
            return found.item;
    }
    return -1;
}

void DiskFamily::DiscoverSensors(DiscoveryBuilder& builder)
{
    for (auto& [name, found] : m_found) {
        Disk disk;
        disk.name = name.toUtf8();
        disk.mountPoints = found.mountPoints;
        const QString id = QStringLiteral("/disk/") + name;
        disk.used =
            builder.AddSensor(found.item, id + QLatin1String("/load/0"), QStringLiteral("Used Space"), TypeName("Load"));
        disk.readRate = builder.AddSensor(found.item, id + QLatin1String("/throughput/0"), QStringLiteral("Read Rate"),
                                          TypeName("Throughput"));
        disk.writeRate = builder.AddSensor(found.item, id + QLatin1String("/throughput/1"),
                                           QStringLiteral("Write Rate"), TypeName("Throughput"));
        m_disks.push_back(std::move(disk));
    }
    m_found.clear();
}

void DiskFamily::Read(SensorTable& table, double seconds)
{
    if (m_disks.empty())
        return;
    m_diskstatsFile.ReadWhole(m_buf);
    ParseDiskstats(View(m_buf), m_counters);
    for (Disk& disk : m_disks) {
        double used = 0, total = 0;
        for (const QByteArray& mountPoint : disk.mountPoints) {
            struct statvfs fs {};
            if (::statvfs(mountPoint.constData(), &fs) != 0)
                continue;
            const double frsize = static_cast<double>(fs.f_frsize ? fs.f_frsize : fs.f_bsize);
            total += static_cast<double>(fs.f_blocks) * frsize;
            used += static_cast<double>(fs.f_blocks - std::min(fs.f_bfree, fs.f_blocks)) * frsize;
        }
        if (total > 0)
            table.Publish(disk.used, used * 100.0 / total);
        else
            table.PublishNull(disk.used);
        const DiskCounters* counters = nullptr;
        for (const DiskCounters& c : m_counters) {
            if (SameName(disk.name, c.name)) {
                counters = &c;
                break;
            }
        }
        if (counters) {
            table.PublishRate(disk.readRate, counters->sectorsRead, 512.0, seconds);
            table.PublishRate(disk.writeRate, counters->sectorsWritten, 512.0, seconds);
        } else {
            table.PublishGoneRate(disk.readRate);
            table.PublishGoneRate(disk.writeRate);
        }
    }
}

} // namespace gaugeloft::sources::kernel
