#include "sources/sourcehub.h"

#include "sources/kernel/hotplugwatch.h"
#include "sources/kernel/kernelsource.h"
#include "sources/prometheusreader.h"
#include "sources/remotesource.h"
#include "sources/snapshotsource.h"

namespace gaugeloft::sources {

SourceHubOptions SourceHubOptions::FromEnvironment()
{
    SourceHubOptions options;
    options.snapshotFile = qEnvironmentVariable(kSensorFileVariable);
    return options;
}

LinuxSourceHub::LinuxSourceHub(SourceHubOptions options)
    : m_options(std::move(options))
{
}

LinuxSourceHub::~LinuxSourceHub() = default;

SensorSource& LinuxSourceHub::Open(const QString& sourceName)
{
    if (auto found = m_sources.constFind(sourceName); found != m_sources.constEnd())
        return **found;

    std::shared_ptr<SensorSource> source;
    if (!m_options.snapshotFile.isEmpty()) {
        // One snapshot serves every name; share the one source so its readings agree.
        for (const auto& existing : std::as_const(m_sources))
            source = existing;
        if (!source)
            source = std::make_shared<SnapshotSource>(m_options.snapshotFile);
    } else if (sourceName == QLatin1String(kKernelSourceName)) {
        KernelSourceOptions kernel;
        kernel.sysRoot = m_options.sysRoot;
        kernel.procRoot = m_options.procRoot;
        if (kernel.sysRoot == QLatin1String("/sys")) {
            // the kernel's own announcements instead of listing folders at every read
            auto watch = std::make_shared<HotplugWatch>();
            if (watch->Listening())
                kernel.hardwareEvents = [watch] { return watch->Changed(); };
        }
        source = std::make_shared<KernelSource>(std::move(kernel));
    } else if (sourceName == QLatin1String(kRemoteSourceName) || sourceName == QLatin1String(kPrometheusSourceName)) {
        std::unique_ptr<RemoteReader> reader;
        if (sourceName == QLatin1String(kRemoteSourceName))
            reader = std::make_unique<LhmRemoteReader>();
        else
            reader = std::make_unique<PrometheusRemoteReader>();
        auto remote = std::make_shared<RemoteSource>(std::move(reader));
        remote->SetAddress(m_addresses.value(sourceName));
        m_remotes.insert(sourceName, remote.get());
        source = std::move(remote);
    } else {
        throw SourceError("No sensor source named " + sourceName.toStdString());
    }
    m_sources.insert(sourceName, source);
    return *source;
}

void LinuxSourceHub::SetAddress(const QString& sourceName, const QUrl& address)
{
    m_addresses.insert(sourceName, address);
    if (RemoteSource* remote = m_remotes.value(sourceName))
        remote->SetAddress(address);
}

} // namespace gaugeloft::sources
