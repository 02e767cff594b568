#include "sources/kernel/kernelsource.h"

#include "sources/classrefresher.h"
#include "sources/kernel/kernelsourceparts.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cmath>

namespace gaugeloft::sources {

using namespace kernel;
using namespace kernelmodel;

void KernelSource::Private::publish(int slotIndex, double value)
{
    if (!std::isfinite(value)) {
        publishNull(slotIndex);
        return;
    }
    Slot& slot = model.slots[static_cast<std::size_t>(slotIndex)];
    QVariantList& values = model.sensors[static_cast<std::size_t>(slot.instance)].values;
    // Unchanged values are left alone: writing would copy a list the caller still shares.
    const QVariant& current = std::as_const(values)[FieldValue];
    if (current.typeId() != QMetaType::Double || current.toDouble() != value)
        values[FieldValue] = value;
    if (!slot.hasRange || value < slot.min) {
        slot.min = value;
        values[FieldMin] = value;
    }
    if (!slot.hasRange || value > slot.max) {
        slot.max = value;
        values[FieldMax] = value;
    }
    slot.hasRange = true;
}

void KernelSource::Private::publishNull(int slotIndex)
{
    const Slot& slot = model.slots[static_cast<std::size_t>(slotIndex)];
    SourceInstance& instance = model.sensors[static_cast<std::size_t>(slot.instance)];
    if (!std::as_const(instance.values)[FieldValue].isNull())
        instance.values[FieldValue] = QVariant();
}

void KernelSource::Private::publishLoad(int slotIndex, std::uint64_t busy, std::uint64_t total)
{
    Slot& slot = model.slots[static_cast<std::size_t>(slotIndex)];
    double value = 0;
    if (slot.hasPrev) {
        if (total == slot.prevB) {
            value = slot.lastValue; // no ticks since the last read
        } else if (total > slot.prevB) {
            // iowait can step back, so busy may too: clamp.
            const double dBusy = static_cast<double>(busy) - static_cast<double>(slot.prevA);
            value = std::clamp(dBusy * 100.0 / static_cast<double>(total - slot.prevB), 0.0, 100.0);
        }
    }
    slot.hasPrev = true;
    slot.prevA = busy;
    slot.prevB = total;
    slot.lastValue = value;
    publish(slotIndex, value);
}

void KernelSource::Private::publishRate(int slotIndex, std::uint64_t counter, double factor, double seconds)
{
    Slot& slot = model.slots[static_cast<std::size_t>(slotIndex)];
    double value = 0;
    if (slot.hasPrev) {
        if (seconds <= 0)
            value = slot.lastValue;
        else if (counter >= slot.prevA)
            value = static_cast<double>(counter - slot.prevA) * factor / seconds;
        // a counter that went back (reset, wrap) gives 0 for this read
    }
    slot.hasPrev = true;
    slot.prevA = counter;
    slot.lastValue = value;
    publish(slotIndex, value);
}

bool KernelSource::Private::readValues(qint64 nowMs)
{
    // Shape checks first, so nothing is half applied when discovery has to run again.
    statFile.readWhole(statBuf);
    parseProcStat(view(statBuf), cpuTimes);
    if (cpuTimes.size() != model.cpuNumbers.size())
        return false;
    for (std::size_t i = 0; i < cpuTimes.size(); ++i) {
        if (cpuTimes[i].cpu != model.cpuNumbers[i])
            return false;
    }
    netdevFile.readWhole(netBuf);
    parseNetDev(view(netBuf), netCounters);
    {
        std::size_t n = 0;
        for (const NetCounters& c : netCounters) {
            if (c.name == "lo")
                continue;
            if (n >= model.nets.size() || !sameName(model.nets[n].name, c.name))
                return false;
            ++n;
        }
        if (n != model.nets.size())
            return false;
    }

    const double seconds = hasPrevTime ? static_cast<double>(nowMs - prevTime) / 1000.0 : 0.0;
    char buf[128];

    for (std::size_t i = 0; i < cpuTimes.size(); ++i) {
        if (model.loadSlots[i] >= 0)
            publishLoad(model.loadSlots[i], cpuTimes[i].busy, cpuTimes[i].total);
    }
    if (model.clocksFromCpuinfo) {
        cpuinfoFile.readWhole(cpuinfoBuf);
        parseCpuMhz(view(cpuinfoBuf), mhz);
    }
    for (CpuClock& clock : model.clocks) {
        std::optional<double> mhzValue;
        if (clock.freq.isValid()) {
            const long n = clock.freq.readSmall(buf, sizeof buf);
            if (n >= 0 && static_cast<std::size_t>(n) < sizeof buf) {
                if (const auto khz = parseNumber({buf, static_cast<std::size_t>(n)}))
                    mhzValue = *khz / 1000.0;
            }
        } else {
            for (const CpuMhz& e : mhz) {
                if (e.cpu == clock.cpu) {
                    mhzValue = e.mhz;
                    break;
                }
            }
        }
        if (mhzValue)
            publish(clock.slot, *mhzValue);
        else
            publishNull(clock.slot);
    }

    if (model.memLoad >= 0) {
        meminfoFile.readWhole(memBuf);
        const MemInfo mem = parseMeminfo(view(memBuf));
        if (mem.totalKb && mem.availableKb && *mem.totalKb > 0) {
            const double total = static_cast<double>(*mem.totalKb);
            const double available = static_cast<double>(std::min(*mem.availableKb, *mem.totalKb));
            publish(model.memLoad, (total - available) * 100.0 / total);
            publish(model.memUsed, (total - available) / kKbPerGb);
            publish(model.memAvailable, available / kKbPerGb);
        } else {
            publishNull(model.memLoad);
            publishNull(model.memUsed);
            publishNull(model.memAvailable);
        }
    }

    for (HwmonReader& reader : model.hwmon) {
        const long n = reader.file.readSmall(buf, sizeof buf);
        if (n < 0) {
            const int error = reader.file.lastError();
            // The chip went away (or its hwmon number was reused); one discovery tells.
            if ((error == ENODEV || error == ENOENT || error == ENXIO) && !rebuiltForGone)
                needRescan = true;
            publishNull(reader.slot);
            continue;
        }
        const auto raw = parseNumber({buf, static_cast<std::size_t>(n)});
        if (raw && static_cast<std::size_t>(n) < sizeof buf)
            publish(reader.slot, *raw * reader.multiplier / reader.divisor);
        else
            publishNull(reader.slot);
    }

    if (!model.disks.empty()) {
        diskstatsFile.readWhole(diskBuf);
        parseDiskstats(view(diskBuf), diskCounters);
        for (DiskReader& disk : model.disks) {
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
                publish(disk.used, used * 100.0 / total);
            else
                publishNull(disk.used);
            const DiskCounters* counters = nullptr;
            for (const DiskCounters& c : diskCounters) {
                if (sameName(disk.name, c.name)) {
                    counters = &c;
                    break;
                }
            }
            if (counters) {
                publishRate(disk.readRate, counters->sectorsRead, 512.0, seconds);
                publishRate(disk.writeRate, counters->sectorsWritten, 512.0, seconds);
            } else {
                for (int s : {disk.readRate, disk.writeRate}) {
                    model.slots[static_cast<std::size_t>(s)].hasPrev = false;
                    publishNull(s);
                }
            }
        }
    }

    {
        std::size_t n = 0;
        for (const NetCounters& c : netCounters) {
            if (c.name == "lo")
                continue;
            const NetReader& net = model.nets[n++];
            if (net.upload < 0)
                continue; // repeated line
            publishRate(net.upload, c.txBytes, 1.0, seconds);
            publishRate(net.download, c.rxBytes, 1.0, seconds);
            publish(net.uploaded, static_cast<double>(c.txBytes) / kBytesPerGb);
            publish(net.downloaded, static_cast<double>(c.rxBytes) / kBytesPerGb);
        }
    }

    auto readNumber = [&](KernelFile& file) -> std::optional<double> {
        if (!file.isValid())
            return std::nullopt;
        const long n = file.readSmall(buf, sizeof buf);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf)
            return std::nullopt;
        return parseNumber({buf, static_cast<std::size_t>(n)});
    };
    for (BatteryReader& battery : model.batteries) {
        if (battery.level >= 0) {
            const auto v = readNumber(battery.capacity);
            v ? publish(battery.level, *v) : publishNull(battery.level);
        }
        const auto microvolts = readNumber(battery.voltage);
        if (battery.volts >= 0)
            microvolts ? publish(battery.volts, *microvolts / 1e6) : publishNull(battery.volts);
        if (battery.rate >= 0) {
            std::optional<double> watts;
            if (const auto microwatts = readNumber(battery.power))
                watts = std::fabs(*microwatts) / 1e6;
            else if (const auto microamps = readNumber(battery.current); microamps && microvolts)
                watts = std::fabs(*microamps) * *microvolts / 1e12;
            watts ? publish(battery.rate, *watts) : publishNull(battery.rate);
            if (battery.status.isValid()) {
                const long n = battery.status.readSmall(buf, sizeof buf);
                const bool discharging = n >= 11 && std::string_view(buf, 11) == "Discharging";
                if (n >= 0 && discharging != battery.discharging) {
                    battery.discharging = discharging;
                    const Slot& slot = model.slots[static_cast<std::size_t>(battery.rate)];
                    model.sensors[static_cast<std::size_t>(slot.instance)].values[FieldName] =
                        discharging ? battery.dischargeName : battery.chargeName;
                }
            }
        }
    }
    return true;
}

void KernelSource::Private::ensureCurrent()
{
    const bool forGone = built && needRescan;
    if (!built || needRescan || listingsChanged()) {
        rebuild();
        rebuiltForGone = forGone;
    }
}

void KernelSource::Private::read()
{
    const qint64 nowMs = now();
    ensureCurrent();
    if (!readValues(nowMs)) {
        rebuild();
        rebuiltForGone = false;
        readValues(nowMs);
    }
    prevTime = nowMs;
    hasPrevTime = true;
}

KernelSource::KernelSource(KernelSourceOptions options)
    : d(std::make_unique<Private>(std::move(options)))
{
}

KernelSource::~KernelSource() = default;

bool KernelSource::Enumerate(const QString& className, SourceObjectSet& out)
{
    out.clear();
    const bool sensors = className.compare(kSensorClass, Qt::CaseInsensitive) == 0;
    if (!sensors && className.compare(kHardwareClass, Qt::CaseInsensitive) != 0)
        return false;
    if (sensors) {
        d->read();
        out = d->model.sensors;
    } else {
        // Reading values here would shorten the window of the next rates.
        d->ensureCurrent();
        out = d->model.hardware;
    }
    return true;
}

std::unique_ptr<SensorRefresher> KernelSource::CreateRefresher()
{
    return std::make_unique<ClassRefresher>(
        [this](SourceObjectSet& hardware, SourceObjectSet& sensors) { return ReadAll(hardware, sensors); });
}

bool KernelSource::ReadAll(SourceObjectSet& hardware, SourceObjectSet& sensors)
{
    d->read();
    hardware = d->model.hardware;
    sensors = d->model.sensors;
    return true;
}

} // namespace gaugeloft::sources
