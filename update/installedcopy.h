#pragma once

// Whether this copy of the program was installed by a setup program, which then also updates
// it: an uninstaller ("unins..." file) stands beside the executable, and the executable's
// folder is not on a removable device (a memory stick carries a portable copy).

#include <QString>

namespace gaugeloft::update {

struct SystemRoots {
    QString Sys = QStringLiteral("/sys");
    QString MountInfo = QStringLiteral("/proc/self/mountinfo");
};

// A file whose name begins with "unins" (letter case aside) in `folder`.
bool HasUninstaller(const QString& folder);

// The device behind the mount that holds `folder` says it is removable (in sysfs, for the
// device or the disk its partition belongs to), or the mount stands under /media or /run/media.
bool OnRemovableDevice(const QString& folder, const SystemRoots& roots = {});

bool IsInstalledCopy(const QString& executableFolder, const SystemRoots& roots = {});

} // namespace gaugeloft::update
