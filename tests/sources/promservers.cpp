#include "sources/promservers.h"

#include "sources/promquery.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace gaugeloft::test {

bool PrometheusProgramsPresent()
{
    return QFileInfo(kNodeExporterProgram).isExecutable() && QFileInfo(kPrometheusProgram).isExecutable();
}

std::optional<QByteArray> HttpGet(const QUrl& url, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QTcpSocket socket;
    socket.connectToHost(url.host(), quint16(url.port(80)));
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return std::nullopt;
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    socket.write("GET " + target + " HTTP/1.0\r\nHost: " + url.authority().toLatin1()
                 + "\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    // HTTP/1.0: the server closes the connection after the body
    while (socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        answer += socket.readAll();
    }
    answer += socket.readAll();
    const qsizetype headerEnd = answer.indexOf("\r\n\r\n");
    if (headerEnd < 0 || socket.state() != QAbstractSocket::UnconnectedState)
        return std::nullopt; // no answer, or cut off by the deadline
    const QList<QByteArray> status = answer.left(answer.indexOf("\r\n")).split(' ');
    if (status.size() < 2 || status[1] != "200")
        return std::nullopt;
    return answer.mid(headerEnd + 4);
}

quint16 FreeLocalPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

ServerProcess::~ServerProcess()
{
    Stop();
}

void ServerProcess::Stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
    m_process.reset();
}

bool ServerProcess::Start(const QString& program, const QStringList& arguments, const QString& readyPath,
                          int timeoutMs)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        Stop();
        m_port = FreeLocalPort();
        QStringList args;
        for (const QString& a : arguments)
            args << QString(a).replace(QLatin1String("%1"), QString::number(m_port));
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->start(program, args);
        if (!m_process->waitForStarted(5000)) {
            m_error = program + QStringLiteral(": ") + m_process->errorString();
            return false;
        }
        const QUrl ready(QStringLiteral("http://") + Address() + readyPath);
        const QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired() && m_process->state() == QProcess::Running) {
            if (HttpGet(ready, 1000))
                return true;
            m_process->waitForFinished(100);
        }
        m_error = program + QStringLiteral(" did not answer at ") + ready.toString() + QStringLiteral(":\n")
            + QString::fromLocal8Bit(m_process->readAll().right(2000));
    }
    Stop();
    return false;
}

NodeExporter::NodeExporter(const QString& root, const QString& hostName)
{
    QStringList args = {QStringLiteral("--web.listen-address=127.0.0.1:%1"),
                        QStringLiteral("--path.sysfs=") + root + QStringLiteral("/sys"),
                        QStringLiteral("--path.procfs=") + root + QStringLiteral("/proc"),
                        QStringLiteral("--collector.disable-defaults"),
                        QStringLiteral("--collector.hwmon"),
                        QStringLiteral("--collector.cpu"),
                        QStringLiteral("--collector.meminfo"),
                        QStringLiteral("--collector.netdev"),
                        QStringLiteral("--no-collector.netdev.netlink"), // read the fake /proc/net/dev
                        QStringLiteral("--collector.diskstats"),
                        QStringLiteral("--collector.uname")};
    QString program = kNodeExporterProgram;
    // a host name of its own: unshare as a user who may (root, or user namespaces allowed)
    if (!hostName.isEmpty()
        && QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-Ur"), QStringLiteral("--uts"),
                                                         QStringLiteral("true")}) == 0) {
        args = QStringList {QStringLiteral("-Ur"), QStringLiteral("--uts"), QStringLiteral("sh"), QStringLiteral("-c"),
                            QStringLiteral("hostname \"$0\" && exec \"$@\""), hostName, program}
            + args;
        program = QStringLiteral("unshare");
    }
    Start(program, args, QStringLiteral("/metrics"), 10000);
}

PrometheusServer::PrometheusServer(const QStringList& targets)
    : m_targets(int(targets.size()))
{
    QByteArray config = "global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
                        "scrape_configs:\n  - job_name: node\n    static_configs:\n      - targets: [";
    for (qsizetype i = 0; i < targets.size(); ++i)
        config += (i ? ", \"" : "\"") + targets[i].toLatin1() + '"';
    config += "]\n";
    QFile file(m_dir.filePath(QStringLiteral("prometheus.yml")));
    if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        m_error = QStringLiteral("cannot write the configuration");
        return;
    }
    file.close();
    Start(kPrometheusProgram,
          {QStringLiteral("--config.file=") + file.fileName(),
           QStringLiteral("--storage.tsdb.path=") + m_dir.filePath(QStringLiteral("data")),
           QStringLiteral("--web.listen-address=127.0.0.1:%1")},
          QStringLiteral("/-/ready"), 15000);
}

bool PrometheusServer::WaitForScrapes(int timeoutMs)
{
    QUrl url = BaseUrl().resolved(QUrl(QStringLiteral("api/v1/query")));
    url.setQuery(QStringLiteral("query=") + QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("count(up == 1)"))),
                 QUrl::StrictMode);
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && IsRunning()) {
        sources::PromSamples samples;
        if (const auto answer = HttpGet(url); answer && sources::ReadPromQueryAnswer(*answer, samples)
                                               && samples.size() == 1 && samples[0].value == m_targets)
            return true;
        QThread::msleep(200);
    }
    m_error = QStringLiteral("the targets were not scraped in time");
    return false;
}

} // namespace gaugeloft::test
