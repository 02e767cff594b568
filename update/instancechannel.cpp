#include "update/instancechannel.h"

#include "update/namedmutex.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace gaugeloft::update {

namespace {

const QByteArray kShowRequest = QByteArrayLiteral("show\n");
constexpr int kRequestWaitMs = 1000;   // the longest the start-up asks before it waits
constexpr int kConnectionLifeMs = 5000;  // a caller that says nothing is dropped after this

} // namespace

InstanceListener::InstanceListener(const QString& mutexName, QObject* parent)
    : QObject(parent), m_path(NamedMutexPath(mutexName, QStringLiteral(".socket"))), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceListener::Accept);
}

bool InstanceListener::Listen()
{
    QLocalServer::removeServer(m_path);
    return m_server->listen(m_path);
}

void InstanceListener::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kConnectionLifeMs, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() < kShowRequest.size())
                return;
            const QByteArray request = socket->read(kShowRequest.size());
            socket->abort();
            if (request == kShowRequest)
                Q_EMIT ShowRequested();
        });
    }
}

bool AskRunningCopyToShow(const QString& mutexName, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(NamedMutexPath(mutexName, QStringLiteral(".socket")));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kShowRequest);
    const bool written = socket.waitForBytesWritten(timeoutMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return written;
}

bool StartSingleInstance(const QString& mutexName, int timeoutMs, bool askToShow)
{
    const QDeadlineTimer deadline(timeoutMs);
    if (WaitForNamedMutex(mutexName, 0))
        return true;
    if (askToShow) {
        const qint64 left = deadline.isForever() ? kRequestWaitMs : qMin<qint64>(kRequestWaitMs, deadline.remainingTime());
        AskRunningCopyToShow(mutexName, static_cast<int>(left));
    }
    return WaitForNamedMutex(mutexName, static_cast<int>(deadline.remainingTime()));
}

} // namespace gaugeloft::update
