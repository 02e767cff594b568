#pragma once

namespace gaugeloft {

// The sensor providers the program can read, by index.
struct ProviderInfo {
    const char* listText;       // shown in the Options dialog
    const char* sourceName;     // the name its sensor source is opened by
    const char* defaultAddress; // where a remote provider is asked; empty for this computer
    const char* webPage;        // the project's page, opened by "Web Page..."
};

inline constexpr ProviderInfo kProviders[] = {
    {"Linux kernel sensors", "local:kernel", "", "https://docs.kernel.org/hwmon/"},
    {"Libre Hardware Monitor (remote)", "remote:LibreHardwareMonitor", "http://localhost:8085/",
     "https://github.com/LibreHardwareMonitor/LibreHardwareMonitor"},
    {"Prometheus (node exporter)", "remote:Prometheus", "http://localhost:9090/",
     "https://prometheus.io/docs/guides/node-exporter/"},
};
inline constexpr int kProviderCount = 3;

// Whether a provider is asked over the network and so has an address.
constexpr bool IsRemoteProvider(int index)
{
    return index >= 0 && index < kProviderCount && kProviders[index].defaultAddress[0] != '\0';
}

} // namespace gaugeloft
