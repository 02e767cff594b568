#include "update/webclient.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>

namespace gaugeloft::update {

namespace {

constexpr qint64 kMostTrustFileBytes = 8 * 1024 * 1024;

// The authorities of SSL_CERT_FILE (read at each request: a run makes only a few).
QList<QSslCertificate> ExtraAuthorities()
{
    const QString path = qEnvironmentVariable("SSL_CERT_FILE");
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMostTrustFileBytes)
        return {};
    return QSslCertificate::fromData(file.readAll(), QSsl::Pem);
}

QNetworkRequest MakeRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "text/html, */*");
    request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible)");
    request.setRawHeader("Cache-Control", "nocache");
    request.setRawHeader("Pragma", "no-cache");
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/html"));
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // never from https to http, at most 15 hops
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(WebClient::kMostRedirects);
    if (url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
        if (const QList<QSslCertificate> extra = ExtraAuthorities(); !extra.isEmpty())
            tls.addCaCertificates(extra);
        request.setSslConfiguration(tls);
    }
    return request;
}

QNetworkProxy MakeProxy(const ProxySettings& settings)
{
    if (settings.Host.isEmpty() || settings.Port == 0)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    QNetworkProxy proxy(settings.Socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy, settings.Host,
                        static_cast<quint16>(settings.Port));
    if (settings.BasicAuth) {
        proxy.setUser(settings.User);
        proxy.setPassword(settings.Password);
    }
    return proxy;
}

QString StatusLine(int status, const QByteArray& reason)
{
    return QStringLiteral("HTTP/1.1 %1 %2").arg(status).arg(QString::fromLatin1(reason));
}

} // namespace

WebClient::WebClient(QObject* parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
}

WebClient::~WebClient()
{
    Disconnect();
}

void WebClient::Disconnect()
{
    if (m_reply)
        m_reply->abort();
}

TransferResult WebClient::Get(const QUrl& url, QIODevice& target, qint64 maxBytes)
{
    TransferResult result;
    if (m_reply) {
        result.Error = QStringLiteral("A transfer is already running");
        return result;
    }
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        result.Error = QStringLiteral("Unsupported address: %1").arg(url.toString());
        return result;
    }
    m_manager->setProxy(MakeProxy(Proxy));
    QNetworkReply* reply = m_manager->get(MakeRequest(url));
    m_reply = reply;
    bool begun = false;
    bool writeFailed = false;
    bool tooLarge = false;
    const auto begin = [&] {
        if (begun)
            return;
        begun = true;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (OnWorkBegin)
            OnWorkBegin(length.isValid() ? length.toLongLong() : 0);
    };
    QEventLoop loop;
    connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        // a redirect's headers are not the transfer's
        if (!reply->attribute(QNetworkRequest::RedirectionTargetAttribute).isValid())
            begin();
    });
    connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        begin();
        const QByteArray chunk = reply->readAll();
        if (maxBytes > 0 && result.Received + chunk.size() > maxBytes) {
            tooLarge = true;
            reply->abort();
            return;
        }
        if (target.write(chunk) != chunk.size()) {
            writeFailed = true;
            reply->abort();
            return;
        }
        result.Received += chunk.size();
        if (OnWork)
            OnWork(result.Received);
    });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    result.Status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    if (tooLarge) {
        result.Error = QStringLiteral("The answer is larger than %1 bytes").arg(maxBytes);
    } else if (writeFailed) {
        result.Error = QStringLiteral("Could not write the downloaded file: %1").arg(target.errorString());
    } else if (error == QNetworkReply::OperationCanceledError) {
        result.Cancelled = true;
        result.Error = QStringLiteral("The transfer was cancelled");
    } else if (error == QNetworkReply::RemoteHostClosedError && result.Status == 0) {
        result.ClosedGracefully = true;
        result.Error = QStringLiteral("Connection closed gracefully.");
    } else if (result.Status >= 400) {
        result.Error = StatusLine(result.Status, reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    } else if (error != QNetworkReply::NoError) {
        result.Error = reply->errorString();
    } else {
        result.Ok = true;
    }
    if (begun && OnWorkEnd)
        OnWorkEnd();
    m_reply = nullptr;
    reply->deleteLater();
    return result;
}

TransferResult WebClient::GetText(const QUrl& url, QString* text)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TransferResult result = Get(url, buffer, kMostTextBytes);
    if (text)
        *text = result.Ok ? QString::fromUtf8(bytes) : QString();
    return result;
}

} // namespace gaugeloft::update
