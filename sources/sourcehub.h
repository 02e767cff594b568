#pragma once

// Opens the sensor sources of this machine by name.

#include "sources/sensorsource.h"

#include <QHash>

#include <memory>

namespace gaugeloft::sources {

class RemoteSource;

inline constexpr const char* kKernelSourceName = "local:kernel";
inline constexpr const char* kRemoteSourceName = "remote:LibreHardwareMonitor";
inline constexpr const char* kPrometheusSourceName = "remote:Prometheus";
inline constexpr const char* kSensorFileVariable = "GAUGELOFT_SENSOR_FILE";

struct SourceHubOptions {
    QString sysRoot = QStringLiteral("/sys");
    QString procRoot = QStringLiteral("/proc");
    // When set, every name opens this snapshot file instead.
    QString snapshotFile;

    // Defaults, with the snapshot file taken from GAUGELOFT_SENSOR_FILE.
    static SourceHubOptions FromEnvironment();
};

class LinuxSourceHub final : public SensorSourceHub {
public:
    explicit LinuxSourceHub(SourceHubOptions options = SourceHubOptions::FromEnvironment());
    ~LinuxSourceHub() override;

    SensorSource& Open(const QString& sourceName) override;
    void SetAddress(const QString& sourceName, const QUrl& address) override;

private:
    SourceHubOptions m_options;
    QHash<QString, std::shared_ptr<SensorSource>> m_sources;
    QHash<QString, RemoteSource*> m_remotes;
    QHash<QString, QUrl> m_addresses;
};

} // namespace gaugeloft::sources
