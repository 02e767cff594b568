#include "sources/kernel/battery.h"

#include "sources/kernel/kerneltext.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <optional>

namespace gaugeloft::sources::kernel {

bool IsDischarging(std::string_view status)
{
    return StartsWith(status, "Discharging");
}

void BatteryFamily::ForgetFiles()
{
    m_batteries.clear();
}

void BatteryFamily::Discover(DiscoveryBuilder& builder, const QByteArray& supplyDir,
                             const std::vector<QByteArray>& entries)
{
    m_batteries.clear();
    std::vector<QString> supplies;
    for (const QByteArray& entry : entries)
        supplies.push_back(QFile::decodeName(entry));
    std::sort(supplies.begin(), supplies.end());
    for (const QString& supply : supplies) {
        const QString dir = QString::fromUtf8(supplyDir) + QLatin1Char('/') + supply;
        if (ReadTrimmed(dir + QLatin1String("/type")) != QLatin1String("Battery"))
            continue;
        const QString model = ReadTrimmed(dir + QLatin1String("/model_name"));
        const QString id = QStringLiteral("/battery/") + supply;
        const int item = builder.AddItem(GroupBattery, id, model.isEmpty() ? supply : model, TypeName("Battery"));
        Battery battery;
        auto openIf = [&](const char* file) {
            const QString path = dir + QLatin1Char('/') + QLatin1String(file);
            return QFileInfo::exists(path) ? builder.Open(path) : KernelFile();
        };
        battery.capacity = openIf("capacity");
        battery.voltage = openIf("voltage_now");
        battery.power = openIf("power_now");
        battery.current = openIf("current_now");
        battery.status = openIf("status");
        if (battery.capacity.IsValid())
            battery.level = builder.AddSensor(item, id + QLatin1String("/level/0"), QStringLiteral("Charge Level"),
                                              TypeName("Level"));
        if (battery.voltage.IsValid())
            battery.volts = builder.AddSensor(item, id + QLatin1String("/voltage/0"), QStringLiteral("Voltage"),
                                              TypeName("Voltage"));
        if (battery.power.IsValid() || (battery.current.IsValid() && battery.voltage.IsValid())) {
            battery.chargeName = QStringLiteral("Charge Rate");
            battery.dischargeName = QStringLiteral("Discharge Rate");
            battery.discharging = ReadTrimmed(dir + QLatin1String("/status")) == QLatin1String("Discharging");
            battery.rate = builder.AddSensor(item, id + QLatin1String("/power/0"),
                                             battery.discharging ? QStringLiteral("Discharge Rate")
                                                                 : QStringLiteral("Charge Rate"),
                                             TypeName("Power"));
        }
        m_batteries.push_back(std::move(battery));
    }
}

void BatteryFamily::Read(SensorTable& table)
{
    char buf[128];
    auto readNumber = [&](KernelFile& file) -> std::optional<double> {
        if (!file.IsValid())
            return std::nullopt;
        const long n = file.ReadSmall(buf, sizeof buf);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf)
            return std::nullopt;
        return ParseNumber({buf, static_cast<std::size_t>(n)});
    };
    for (Battery& battery : m_batteries) {
        if (battery.level >= 0) {
            const auto v = readNumber(battery.capacity);
            v ? table.Publish(battery.level, *v) : table.PublishNull(battery.level);
        }
        const auto microvolts = readNumber(battery.voltage);
        if (battery.volts >= 0)
            microvolts ? table.Publish(battery.volts, *microvolts / 1e6) : table.PublishNull(battery.volts);
        if (battery.rate < 0)
            continue;
        std::optional<double> watts;
        if (const auto microwatts = readNumber(battery.power))
            watts = std::fabs(*microwatts) / 1e6;
        else if (const auto microamps = readNumber(battery.current); microamps && microvolts)
            watts = std::fabs(*microamps) * *microvolts / 1e12;
        watts ? table.Publish(battery.rate, *watts) : table.PublishNull(battery.rate);
        if (battery.status.IsValid()) {
            const long n = battery.status.ReadSmall(buf, sizeof buf);
            const bool discharging = n >= 0 && IsDischarging({buf, static_cast<std::size_t>(n)});
            if (n >= 0 && discharging != battery.discharging) {
                battery.discharging = discharging;
                table.Rename(battery.rate, discharging ? battery.dischargeName : battery.chargeName);
            }
        }
    }
}

} // namespace gaugeloft::sources::kernel
