#pragma once

#include <QString>

namespace gaugeloft {

// The sensor providers the program can read, by index.
struct ProviderInfo {
    const char* listText;    // shown in the Options dialog
    const char* sourceName;  // the name its sensor source is opened by
};

inline constexpr ProviderInfo kProviders[] = {
    {"Linux kernel sensors", "local:kernel"},
    {"Libre Hardware Monitor (remote)", "remote:LibreHardwareMonitor"},
};
inline constexpr int kProviderCount = 2;

} // namespace gaugeloft
