#include "sources/remotesource.h"

#include "sources/classrefresher.h"
#include "sources/lhmdocument.h"
#include "sources/remoteaddress.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace gaugeloft::sources {

RemoteSource::RemoteSource(std::unique_ptr<RemoteReader> reader, RemoteLimits limits)
    : m_reader(std::move(reader))
    , m_limits(limits)
{
    m_clock.start();
}

RemoteSource::~RemoteSource()
{
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        reply->disconnect();
        reply->abort();
        delete reply;
    }
}

void RemoteSource::SetAddress(const QUrl& address)
{
    if (address == m_address)
        return;
    m_address = address;
    ++m_generation;  // an answer still on its way belongs to the old address
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply.clear();
        reply->abort();
    }
    m_hasDocument = false;
    m_document = {};
    m_problem.clear();
    m_reader->Reset();
}

bool RemoteSource::IsAnswering() const
{
    return m_hasDocument && m_clock.elapsed() - m_answeredAtMs < m_limits.staleAfterMs;
}

bool RemoteSource::Enumerate(const QString& className, SourceObjectSet& out)
{
    out.clear();
    Ask();
    if (!IsAnswering()) {
        if (m_hasDocument) {
            m_hasDocument = false;  // nothing recent: the old document is of no more use
            m_document = {};
        }
        return false;
    }
    if (className.compare(kHardwareClass, Qt::CaseInsensitive) == 0)
        out = m_document.hardware;
    else if (className.compare(kSensorClass, Qt::CaseInsensitive) == 0)
        out = m_document.sensors;
    else
        return false;
    return true;
}

std::unique_ptr<SensorRefresher> RemoteSource::CreateRefresher()
{
    return std::make_unique<ClassRefresher>([this](SourceObjectSet& hardware, SourceObjectSet& sensors) {
        return Enumerate(kHardwareClass, hardware) && Enumerate(kSensorClass, sensors);
    });
}

void RemoteSource::Ask()
{
    if (m_reply || !m_address.isValid() || m_address.isEmpty())
        return;
    if (!m_network) {
        m_network = std::make_unique<QNetworkAccessManager>();
        // sensors on the local network are asked directly, whatever proxy the updater uses
        m_network->setProxy(QNetworkProxy::NoProxy);
        m_network->setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
    }
    QNetworkRequest request(m_reader->RequestUrl(m_address));
    request.setMaximumRedirectsAllowed(m_limits.mostRedirects);
    request.setTransferTimeout(m_limits.requestTimeoutMs);
    request.setRawHeader("Accept", "application/json, text/plain;q=0.9, */*;q=0.1");

    m_body.clear();
    m_bodyTooLarge = false;
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    const std::uint64_t generation = m_generation;
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, reply, generation] {
        if (generation == m_generation)
            Collect(reply);
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, generation] {
        Finish(reply, generation);
    });
    // the transfer timeout only notices silence; a server that trickles is given up too
    QTimer::singleShot(m_limits.requestTimeoutMs, reply, [reply] { reply->abort(); });
}

void RemoteSource::Collect(QNetworkReply* reply)
{
    if (m_bodyTooLarge)
        return;
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (m_body.size() + reply->bytesAvailable() > m_limits.mostBytes
        || (announced.isValid() && announced.toLongLong() > m_limits.mostBytes)) {
        m_bodyTooLarge = true;
        m_body.clear();
        reply->abort();
        return;
    }
    m_body += reply->readAll();
}

void RemoteSource::Finish(QNetworkReply* reply, std::uint64_t generation)
{
    reply->deleteLater();
    if (generation != m_generation)
        return;  // a late answer for an address no longer asked
    if (m_reply == reply)
        m_reply.clear();
    if (reply->isOpen())
        Collect(reply);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_bodyTooLarge) {
        Fail(QStringLiteral("The answer is larger than %1 MB.").arg(m_limits.mostBytes / (1024 * 1024)));
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        Fail(QStringLiteral("No answer within %1 s.").arg(m_limits.requestTimeoutMs / 1000.0));
    } else if (status != 0 && status != 200) {
        Fail(QStringLiteral("The server answered with HTTP status %1.").arg(status));
    } else if (reply->error() != QNetworkReply::NoError) {
        Fail(reply->errorString());
    } else {
        SensorDocument document;
        if (m_reader->Read(m_body, m_clock.elapsed(), document)) {
            m_document = std::move(document);
            m_hasDocument = true;
            m_answeredAtMs = m_clock.elapsed();
            m_problem.clear();
        } else {
            Fail(QStringLiteral("The answer is not a sensor document."));
        }
    }
    m_body.clear();
    m_body.squeeze();
    if (onRequestEnded)
        onRequestEnded();
}

void RemoteSource::Fail(const QString& problem)
{
    m_problem = problem;
}

QUrl LhmRemoteReader::RequestUrl(const QUrl& address)
{
    if (address.path().endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        return address;
    return ResolveInFolder(address, QStringLiteral("data.json"));
}

bool LhmRemoteReader::Read(const QByteArray& body, std::int64_t, SensorDocument& out)
{
    return ReadLhmDocument(body, out);
}

} // namespace gaugeloft::sources
