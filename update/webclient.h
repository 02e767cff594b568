#pragma once

// The web update's HTTP client: GET into memory or a file, with the progress notifications a
// progress window shows, cancelling from another handler, a proxy with basic authentication,
// and TLS whose certificates are always verified (the system's authorities and, like OpenSSL
// programs, those in the file SSL_CERT_FILE names). A transfer blocks its caller in a local
// event loop, so windows stay responsive meanwhile.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

namespace gaugeloft::update {

struct ProxySettings {
    QString Host;          // empty: no proxy
    int Port = 0;
    bool Socks = false;    // a SOCKS5 proxy instead of an HTTP one
    bool BasicAuth = false;
    QString User;
    QString Password;
};

struct TransferResult {
    bool Ok = false;
    int Status = 0;            // the last response's HTTP status; 0 when none came
    QString Error;             // why it failed
    bool ClosedGracefully = false;  // the server closed the connection without an answer
    bool Cancelled = false;    // Disconnect ended it
    qint64 Received = 0;       // bytes written to the target
};

class WebClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kMostRedirects = 15;

    explicit WebClient(QObject* parent = nullptr);
    ~WebClient() override;

    ProxySettings Proxy;

    // Progress of a transfer: the length the server announces (0 when none), the bytes so far,
    // the end. Handlers may run the event loop.
    std::function<void(qint64 expected)> OnWorkBegin;
    std::function<void(qint64 count)> OnWork;
    std::function<void()> OnWorkEnd;

    // GET into `target` (written as the data comes), at most `maxBytes` when above 0. Never
    // throws.
    TransferResult Get(const QUrl& url, QIODevice& target, qint64 maxBytes = 0);
    // GET of a text of at most 4 MiB, as UTF-8.
    TransferResult GetText(const QUrl& url, QString* text);
    static constexpr qint64 kMostTextBytes = 4 * 1024 * 1024;

    bool Busy() const { return m_reply != nullptr; }
    // Ends the transfer in progress, if any.
    void Disconnect();

private:
    QNetworkAccessManager* m_manager;
    QNetworkReply* m_reply = nullptr;
};

} // namespace gaugeloft::update
