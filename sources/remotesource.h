#pragma once

// A sensor source on another computer, asked over HTTP. The poll runs on the window's thread
// and never waits for the network: every enumeration is answered from the last complete
// document, and asks for a fresh one when no request is under way (one at a time). The
// source counts as not running until its first good answer and again when no good answer
// came for a while. Answers are read when they arrive, between polls.

#include "sources/sensorsource.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace gaugeloft::sources {

// What one kind of remote provider asks and how its answers are read.
class RemoteReader {
public:
    virtual ~RemoteReader() = default;
    // The URL of the next request, for the provider address the user gave.
    virtual QUrl RequestUrl(const QUrl& address) = 0;
    // Reads the body of one answer, received at `receivedMs` on a steady clock. False when the
    // body is not a document of this provider; `out` is then left unspecified.
    virtual bool Read(const QByteArray& body, std::int64_t receivedMs, SensorDocument& out) = 0;
    // Forgets what earlier answers left behind (counters for rates); the address changed.
    virtual void Reset() {}
};

struct RemoteLimits {
    int staleAfterMs = 5000;                 // no good answer for this long: not running
    int requestTimeoutMs = 5000;             // a request that takes longer is given up
    qint64 mostBytes = 16 * 1024 * 1024;     // larger bodies are refused
    int mostRedirects = 5;                   // on the same host, port and scheme only
};

class RemoteSource final : public SensorSource {
public:
    explicit RemoteSource(std::unique_ptr<RemoteReader> reader, RemoteLimits limits = {});
    ~RemoteSource() override;
    RemoteSource(const RemoteSource&) = delete;
    RemoteSource& operator=(const RemoteSource&) = delete;

    // Where the provider is. A new address drops the current document and any request under
    // way; the source is then not running until the new address answers.
    void SetAddress(const QUrl& address);
    const QUrl& Address() const { return m_address; }

    bool Enumerate(const QString& className, SourceObjectSet& out) override;
    std::unique_ptr<SensorRefresher> CreateRefresher() override;

    // Whether a good answer came recently enough to count as running.
    bool IsAnswering() const;
    bool RequestUnderWay() const { return !m_reply.isNull(); }
    // Why the last request failed, or empty after a good answer.
    const QString& LastProblem() const { return m_problem; }
    // Called after each request ends, well or not (tests wait on it).
    std::function<void()> onRequestEnded;

private:
    void Ask();
    void Collect(QNetworkReply* reply);
    void Finish(QNetworkReply* reply, std::uint64_t generation);
    void Fail(const QString& problem);

    std::unique_ptr<RemoteReader> m_reader;
    RemoteLimits m_limits;
    QUrl m_address;
    std::unique_ptr<QNetworkAccessManager> m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    bool m_bodyTooLarge = false;
    std::uint64_t m_generation = 0;
    QElapsedTimer m_clock;        // the steady clock answers are stamped with
    bool m_hasDocument = false;
    std::int64_t m_answeredAtMs = 0;
    SensorDocument m_document;
    QString m_problem;
};

// Libre Hardware Monitor's remote web server: data.json beside the address.
class LhmRemoteReader final : public RemoteReader {
public:
    QUrl RequestUrl(const QUrl& address) override;
    bool Read(const QByteArray& body, std::int64_t receivedMs, SensorDocument& out) override;
};

} // namespace gaugeloft::sources
