#pragma once

// The 16x16 pictures of the hardware tree's icon slots, drawn in code. Slots without a
// picture (8, and anything outside 0..13) give a null image and a null icon.

#include <QIcon>
#include <QImage>

namespace gaugeloft {

enum TreeIconSlot : int {
    kUnknownHardwareIcon = 0,
    kMainboardIcon = 1,
    kSuperIoIcon = 2,
    kGraphicsIcon = 3,
    kStorageIcon = 4,
    kMemoryIcon = 5,
    kCpuIcon = 6,
    // 7, 9 and 10 are kSensorGroupIcon, kSensorIcon and kSensorOnDashboardIcon
    // (sensors/hardwaretree.h).
    kNetworkIcon = 11,
    kPowerIcon = 12,
    kFanControllerIcon = 13,
};

inline constexpr int kTreeIconSize = 16;  // logical pixels
inline constexpr int kTreeIconSlotCount = 14;

bool HasTreeIcon(int slot);

// The picture of a slot, sized 16 * devicePixelRatio device pixels and tagged with that
// ratio; premultiplied ARGB on a transparent background. Works without a QGuiApplication.
QImage TreeIconImage(int slot, qreal devicePixelRatio = 1.0);

// The picture as an icon for views, with pixmaps for the common ratios; built once per
// slot. Needs a QGuiApplication.
QIcon TreeIcon(int slot);

} // namespace gaugeloft
