#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>
#include <condition_variable>
#include <mutex>

namespace trevalo::test {

/// A web server on 127.0.0.1 with a thread of its own, so that it answers while the test waits on
/// something else (a run of the program, a blocking read). Every GET gets the same treatment.
class LoopbackWebServer : public QThread {
public:
    enum class Mode {
        Answer, ///< the status and body set with answer()
        Silent, ///< reads the request and never answers
        Hangup, ///< reads the request and closes the connection without a word
    };

    LoopbackWebServer()
    {
        start();
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return m_port != 0; });
    }
    ~LoopbackWebServer() override
    {
        quit();
        wait();
    }

    /// Answers every request with this status and body.
    void answer(int status, const QByteArray& body, const QByteArray& contentType = "text/plain")
    {
        std::lock_guard lock(m_mutex);
        m_mode = Mode::Answer;
        m_status = status;
        m_body = body;
        m_contentType = contentType;
    }
    void setMode(Mode mode)
    {
        std::lock_guard lock(m_mutex);
        m_mode = mode;
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/ip").arg(m_port)); }
    int requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                serve(socket);
        });
        {
            std::lock_guard lock(m_mutex);
            m_port = server.serverPort();
        }
        m_ready.notify_all();
        exec();
    }

private:
    void serve(QTcpSocket* socket)
    {
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, socket, request = QByteArray()]() mutable {
                             request += socket->readAll();
                             if (!request.contains("\r\n\r\n"))
                                 return;
                             std::lock_guard lock(m_mutex);
                             ++m_requests;
                             if (m_mode == Mode::Silent)
                                 return;
                             if (m_mode == Mode::Answer) {
                                 socket->write(QByteArray("HTTP/1.1 ") + QByteArray::number(m_status) +
                                               " Whatever\r\nContent-Type: " + m_contentType +
                                               "\r\nContent-Length: " + QByteArray::number(m_body.size()) +
                                               "\r\nConnection: close\r\n\r\n" + m_body);
                             }
                             socket->disconnectFromHost();
                         });
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    quint16 m_port = 0;
    Mode m_mode = Mode::Answer;
    int m_status = 200;
    QByteArray m_body;
    QByteArray m_contentType;
    int m_requests = 0;
};

} // namespace trevalo::test
