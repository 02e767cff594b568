#pragma once

// The hwmon chips of /sys/class/hwmon: chip identities in the lm-sensors style
// ("coretemp-isa-0000", "nvme-pci-0100"), what kind of hardware a chip belongs to, its inputs
// with their unit conversions, and the naming of sensors on one item. CPU chips join the CPU
// item, disk chips their mounted disk's item; every other chip is an item of its own.

#include "sources/kernel/kernelmodel.h"

#include <QString>

#include <functional>
#include <vector>

namespace gaugeloft::sources::kernel {

enum class ChipKind { Cpu, GpuAmd, GpuNvidia, Storage, SuperIo, Other };

ChipKind ClassifyChip(const QString& chipName);

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
QString HwmonChipId(const QString& chipName, const QString& hwmonPath);

// Every chip under <sysRoot>/class/hwmon that has a name, ordered by chip id.
std::vector<HwmonChip> ScanHwmon(const QString& sysRoot);

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
void NameSensors(std::vector<SensorNaming>& sensors);

// Whether a CPU chip (coretemp, k10temp, ...) has inputs, so that there is a CPU item.
bool HasCpuInputs(const std::vector<HwmonChip>& chips);

class HwmonFamily {
public:
    // Closes the files of the last discovery.
    void ForgetFiles();
    // Adds the chips' sensors: CPU chips to `cpuItem`, disk chips to the item `storageItemOf`
    // gives their device (-1: none), the others to items of their own.
    void Discover(DiscoveryBuilder& builder, const std::vector<HwmonChip>& chips, int cpuItem,
                  const std::function<int(const QString& devicePath)>& storageItemOf);
    // Publishes every input. True when a kept file told that its chip is gone.
    bool Read(SensorTable& table);

private:
    struct Input {
        KernelFile file;
        int slot = -1;
        double multiplier = 1;
        double divisor = 1;
    };
    std::vector<Input> m_inputs;
};

} // namespace gaugeloft::sources::kernel
