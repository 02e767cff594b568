#pragma once

// Real servers for the tests that talk HTTP, on 127.0.0.1 only, each in a temporary folder of
// its own and stopped when the object goes: Debian's nginx (plain HTTP and TLS with a
// certificate of a test authority made here by openssl) and tinyproxy requiring basic
// authentication. `Missing()` names a program that is not installed (scripts/test installs
// them), so a test can say so instead of failing obscurely.

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace gaugeloft::testing {

inline int FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline bool WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

inline bool Run(const QString& program, const QStringList& arguments, QString* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool done = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
                      && process.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return done;
}

// Waits until something accepts connections on the port.
inline bool WaitForPort(int port, int timeoutMs = 10000)
{
    return QTest::qWaitFor([port] {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        return socket.waitForConnected(100);
    }, timeoutMs);
}

// A certificate authority and a server certificate for 127.0.0.1 and localhost.
class TestCertificates {
public:
    TestCertificates()
    {
        const QString ca = Path("ca");
        const QString server = Path("server");
        WriteText(Path("server.ext"), "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                                      "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n"
                                      "extendedKeyUsage=serverAuth\n");
        m_ready = Run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                                  "/CN=Gaugeloft Test Authority", "-keyout", ca + ".key", "-out", ca + ".pem"},
                      &m_log)
                  && Run("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                                     server + ".key", "-out", server + ".csr"},
                         &m_log)
                  && Run("openssl", {"x509", "-req", "-in", server + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
                                     "-CAcreateserial", "-days", "2", "-extfile", Path("server.ext"), "-out",
                                     server + ".pem"},
                         &m_log);
    }
    bool Ready() const { return m_ready; }
    QString Log() const { return m_log; }
    QString Authority() const { return Path("ca.pem"); }
    QString Certificate() const { return Path("server.pem"); }
    QString Key() const { return Path("server.key"); }

private:
    QString Path(const char* name) const { return m_folder.filePath(QString::fromUtf8(name)); }
    QTemporaryDir m_folder;
    bool m_ready = false;
    QString m_log;
};

// nginx serving a folder on one plain and one TLS port, with extra server directives
// ("@HTTP_PORT@" in them stands for the plain port).
class Nginx {
public:
    Nginx(const TestCertificates& tls, QByteArray extraLocations = {})
    {
        extraLocations.replace("@HTTP_PORT@", QByteArray::number(HttpPort));
        QDir(m_folder.path()).mkpath("www");
        QDir(m_folder.path()).mkpath("temp");
        const QByteArray folder = m_folder.path().toUtf8();
        const QByteArray config =
            "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + folder + "/nginx.pid;\n"
            "error_log " + folder + "/error.log;\nevents { worker_connections 64; }\n"
            "http {\n access_log off;\n client_body_temp_path " + folder + "/temp/body;\n"
            " proxy_temp_path " + folder + "/temp/proxy;\n fastcgi_temp_path " + folder + "/temp/fastcgi;\n"
            " uwsgi_temp_path " + folder + "/temp/uwsgi;\n scgi_temp_path " + folder + "/temp/scgi;\n"
            " types { text/xml xml; application/octet-stream bin; }\n"
            " server {\n  listen 127.0.0.1:" + QByteArray::number(HttpPort) + ";\n"
            "  listen 127.0.0.1:" + QByteArray::number(HttpsPort) + " ssl;\n"
            "  ssl_certificate " + tls.Certificate().toUtf8() + ";\n  ssl_certificate_key " + tls.Key().toUtf8() + ";\n"
            "  root " + folder + "/www;\n" + extraLocations + " }\n}\n";
        WriteText(m_folder.filePath("nginx.conf"), config);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(Program(), {"-p", m_folder.path(), "-c", m_folder.filePath("nginx.conf")});
        m_ready = m_process.waitForStarted() && WaitForPort(HttpPort) && WaitForPort(HttpsPort);
    }
    ~Nginx()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }
    static QString Program() { return QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/bin"}); }
    bool Ready() const { return m_ready; }
    QString Log() { return QString::fromLocal8Bit(m_process.readAll()); }
    // Serves `data` as `name` (a path below the root; its folders are made).
    bool Put(const QString& name, const QByteArray& data)
    {
        const QString path = m_folder.filePath("www/" + name);
        return QDir().mkpath(QFileInfo(path).absolutePath()) && WriteText(path, data);
    }
    bool Remove(const QString& name) { return QFile::remove(m_folder.filePath("www/" + name)); }
    QString HttpRoot() const { return QStringLiteral("http://127.0.0.1:%1/").arg(HttpPort); }
    QString HttpsRoot() const { return QStringLiteral("https://127.0.0.1:%1/").arg(HttpsPort); }

    const int HttpPort = FreePort();
    const int HttpsPort = FreePort();

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    bool m_ready = false;
};

// One nginx for a whole test suite: started in SetUpTestSuite (not at all when nginx is not
// installed), stopped in TearDownTestSuite.
struct SuiteNginx {
    std::unique_ptr<TestCertificates> tls;
    std::unique_ptr<Nginx> server;

    void Start(const QByteArray& extraLocations = {})
    {
        if (Nginx::Program().isEmpty())
            return;
        tls = std::make_unique<TestCertificates>();
        server = std::make_unique<Nginx>(*tls, extraLocations);
    }
    void Stop()
    {
        server.reset();
        tls.reset();
    }
};

// tinyproxy on 127.0.0.1 that lets through only requests with the user's basic credentials.
class TinyProxy {
public:
    TinyProxy(const QByteArray& user, const QByteArray& password)
    {
        const QByteArray folder = m_folder.path().toUtf8();
        QByteArray config = "Port " + QByteArray::number(Port) + "\nListen 127.0.0.1\nTimeout 30\n"
                            "MaxClients 20\nAllow 127.0.0.1\nBasicAuth " + user + " " + password + "\n"
                            "LogFile \"" + folder + "/tinyproxy.log\"\nLogLevel Info\nPidFile \"" + folder + "/tinyproxy.pid\"\n";
        if (::getuid() == 0)
            config += "User root\nGroup root\n";
        WriteText(m_folder.filePath("tinyproxy.conf"), config);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(Program(), {"-d", "-c", m_folder.filePath("tinyproxy.conf")});
        m_ready = m_process.waitForStarted() && WaitForPort(Port);
    }
    ~TinyProxy()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }
    static QString Program() { return QStandardPaths::findExecutable("tinyproxy", {"/usr/bin", "/usr/sbin"}); }
    bool Ready() const { return m_ready; }
    QString Log()
    {
        QFile file(m_folder.filePath("tinyproxy.log"));
        file.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(m_process.readAll() + file.readAll());
    }

    const int Port = FreePort();

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    bool m_ready = false;
};

// A server that closes the first connections without a word, then answers every request with
// `body` (a server that is restarting, or a proxy dropping idle connections).
class ClosingServer {
public:
    ClosingServer(int closesFirst, QByteArray body)
        : m_closesLeft(closesFirst)
        , m_body(std::move(body))
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++Connections;
                if (m_closesLeft > 0) {
                    --m_closesLeft;
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                        socket->readAll();
                        socket->disconnectFromHost();
                    });
                } else {
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                        socket->readAll();
                        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: "
                                      + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
                        socket->disconnectFromHost();
                    });
                }
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString Root() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()); }
    int Connections = 0;

private:
    QTcpServer m_server;
    int m_closesLeft;
    QByteArray m_body;
};

} // namespace gaugeloft::testing
