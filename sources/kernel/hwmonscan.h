#pragma once

// Discovery of /sys/class/hwmon chips: chip identities in the lm-sensors style
// ("coretemp-isa-0000", "nvme-pci-0100"), what kind of hardware a chip belongs to,
// its inputs with their unit conversions, and the naming of sensors on one item.

#include <QString>

#include <vector>

namespace gaugeloft::sources::kernel {

enum class ChipKind { Cpu, GpuAmd, GpuNvidia, Storage, SuperIo, Other };

ChipKind classifyChip(const QString& chipName);

struct HwmonInput {
    QString attribute;  // "temp1", "fan2", "in0", "power1", "pwm3"
    QString file;       // path of the value file
    QString label;      // the trimmed *_label text, or empty
    QString stem;       // name used for unlabelled peers: "Temperature", "Fan", ...
    QString sensorType; // "Temperature", "Fan", "Voltage", ...
    double multiplier = 1;
    double divisor = 1;
};

struct HwmonChip {
    QString name;        // the chip's `name` attribute
    QString chipId;      // unique within one scan
    QString devicePath;  // canonical path of the chip's device; empty for virtual chips
    QString displayName; // readable name for an item of its own
    ChipKind kind = ChipKind::Other;
    std::vector<HwmonInput> inputs;
};

// lm-sensors style identity of a chip. `hwmonPath` is the chip's class folder.
QString hwmonChipId(const QString& chipName, const QString& hwmonPath);

// Every chip under <sysRoot>/class/hwmon that has a name, ordered by chip id.
std::vector<HwmonChip> scanHwmon(const QString& sysRoot);

// Names the sensors of one item. Labels are kept unless they repeat; coretemp's
// "Core N" / "Package id N" become "CPU Core #N+1" / "CPU Package"; unlabelled peers
// and repeated labels become "<stem> #1", "<stem> #2", ... per sensor type.
struct SensorNaming {
    QString label;
    QString stem;
    QString sensorType;
    QString driver;
    QString name; // result
};
void nameSensors(std::vector<SensorNaming>& sensors);

} // namespace gaugeloft::sources::kernel
