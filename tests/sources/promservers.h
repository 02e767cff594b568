#pragma once

// Real Prometheus servers for end-to-end tests, on 127.0.0.1: a node exporter over a fake
// /sys + /proc tree, and a prometheus scraping exporters every second. Each waits until it
// answers, and is killed (and waited for) on destruction. Tests start with
// GAUGELOFT_SKIP_WITHOUT_PROMETHEUS() so that machines without the programs skip them.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <optional>

namespace gaugeloft::test {

inline const QString kNodeExporterProgram = QStringLiteral("/usr/bin/prometheus-node-exporter");
inline const QString kPrometheusProgram = QStringLiteral("/usr/bin/prometheus");

bool PrometheusProgramsPresent();

#define GAUGELOFT_SKIP_WITHOUT_PROMETHEUS()                                                                  \
    do {                                                                                                     \
        if (!::gaugeloft::test::PrometheusProgramsPresent())                                                 \
            GTEST_SKIP() << "prometheus or prometheus-node-exporter is not installed";                       \
    } while (false)

// A blocking GET of an http:// URL: the body of a 200 answer, or nothing.
std::optional<QByteArray> HttpGet(const QUrl& url, int timeoutMs = 3000);

// A port nobody listens on at the moment, on 127.0.0.1.
quint16 FreeLocalPort();

// One started server process; Error() tells why it is not running.
class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool IsRunning() const { return m_process && m_process->state() == QProcess::Running; }
    const QString& Error() const { return m_error; }
    // "127.0.0.1:<port>"
    QString Address() const { return QStringLiteral("127.0.0.1:") + QString::number(m_port); }

protected:
    // Starts `program` (on a free port `arguments` name as %1) until `readyPath` answers 200;
    // a few ports are tried when one is taken meanwhile.
    bool Start(const QString& program, const QStringList& arguments, const QString& readyPath, int timeoutMs);
    void Stop();

    QString m_error;

private:
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
};

class NodeExporter : public ServerProcess {
public:
    // Serves <root>/sys and <root>/proc with the hwmon, cpu, meminfo, netdev, diskstats and
    // uname collectors. `hostName`, when given, is the node name it reports (set in a UTS
    // namespace of its own where `unshare` can make one; otherwise the real one shows).
    explicit NodeExporter(const QString& root, const QString& hostName = {});

    QUrl MetricsUrl() const { return QUrl(QStringLiteral("http://") + Address() + QStringLiteral("/metrics")); }
};

class PrometheusServer : public ServerProcess {
public:
    // Scrapes the targets ("127.0.0.1:port") every second, in job "node"; its data in a
    // temporary folder of its own.
    explicit PrometheusServer(const QStringList& targets);
    ~PrometheusServer() { Stop(); } // before its folder goes

    QUrl BaseUrl() const { return QUrl(QStringLiteral("http://") + Address() + u'/'); }
    // Waits until every target has been scraped at least once.
    bool WaitForScrapes(int timeoutMs = 15000);

private:
    QTemporaryDir m_dir;
    int m_targets = 0;
};

} // namespace gaugeloft::test
