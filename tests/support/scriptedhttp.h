#pragma once

// A small HTTP server on 127.0.0.1 that misbehaves on request: it answers with a body, an
// error status or a redirect, keeps silent, answers after a delay, or announces or streams
// more than any client should take. Every connection is answered the way `script`'s next mode,
// else `mode`, says when its request has arrived. Stop() closes the port; Start() opens the same port again.

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace gaugeloft::testing {

class ScriptedHttpServer {
public:
    enum class Mode { Answer, Silent, Status, Redirect, AnnounceHuge, StreamHuge, Delayed };

    Mode mode = Mode::Answer;
    QByteArray body;             // Answer, Delayed
    int status = 500;            // Status
    QByteArray location;         // Redirect
    int delayMs = 0;             // Delayed
    QList<Mode> script;          // modes for the next requests, before `mode` applies again
    QList<QByteArray> requests;  // the request lines seen

    ScriptedHttpServer() { Start(); }

    bool Start()
    {
        if (m_server.isListening())
            return true;
        if (!m_server.listen(QHostAddress::LocalHost, m_port))
            return false;
        m_port = m_server.serverPort();
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                Serve(socket);
        });
        return true;
    }
    void Stop()
    {
        m_server.close();
        QObject::disconnect(&m_server, nullptr, nullptr, nullptr);
        for (const QPointer<QTcpSocket>& socket : std::as_const(m_open)) {
            if (socket)
                socket->abort();
        }
        m_open.clear();
    }
    quint16 Port() const { return m_port; }
    QString Root(const char* host = "127.0.0.1") const
    {
        return QStringLiteral("http://%1:%2/").arg(QLatin1String(host)).arg(m_port);
    }

private:
    void Serve(QTcpSocket* socket)
    {
        m_open.append(socket);
        auto* received = new QByteArray;
        QObject::connect(socket, &QObject::destroyed, [received] { delete received; });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            *received += socket->readAll();
            if (!received->contains("\r\n\r\n"))
                return;
            requests.append(received->left(received->indexOf("\r\n")));
            received->clear();
            Respond(socket);
        });
    }

    static QByteArray Head(int status, const QByteArray& reason, qint64 length, const QByteArray& extra = {})
    {
        return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nConnection: close\r\n" + extra
               + (length >= 0 ? "Content-Length: " + QByteArray::number(length) + "\r\n" : QByteArray()) + "\r\n";
    }

    void Respond(QTcpSocket* socket)
    {
        switch (script.isEmpty() ? mode : script.takeFirst()) {
        case Mode::Answer:
            socket->write(Head(200, "OK", body.size(), "Content-Type: application/json\r\n") + body);
            socket->disconnectFromHost();
            break;
        case Mode::Silent:
            break;
        case Mode::Status:
            socket->write(Head(status, "Failed", 0));
            socket->disconnectFromHost();
            break;
        case Mode::Redirect:
            socket->write(Head(302, "Found", 0, "Location: " + location + "\r\n"));
            socket->disconnectFromHost();
            break;
        case Mode::AnnounceHuge:
            socket->write(Head(200, "OK", qint64(1) << 32) + QByteArray(4096, '{'));
            break;
        case Mode::StreamHuge: {
            // no length: the body ends when the connection does, which is never
            socket->write(Head(200, "OK", -1));
            auto* pump = new QTimer(socket);
            QObject::connect(pump, &QTimer::timeout, socket, [socket] {
                if (socket->bytesToWrite() < (1 << 20))
                    socket->write(QByteArray(256 * 1024, ' '));
            });
            pump->start(1);
            break;
        }
        case Mode::Delayed: {
            const QByteArray answer = Head(200, "OK", body.size()) + body;
            QTimer::singleShot(delayMs, socket, [socket, answer] {
                socket->write(answer);
                socket->disconnectFromHost();
            });
            break;
        }
        }
    }

    QTcpServer m_server;
    quint16 m_port = 0;
    QList<QPointer<QTcpSocket>> m_open;
};

} // namespace gaugeloft::testing
