#include "app/InstanceChannel.h"

#include "platform/TextEscape.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <unistd.h>

namespace trevalo {

namespace {

/// A request line longer than this is no request of ours.
constexpr qint64 kMaxRequestBytes = 256;

QString channelKey(const SystemRoot& root)
{
    const QByteArray key = (root.rootDir() + '\n' + root.userName()).toUtf8();
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex());
    // A socket's path is short on every system (about 100 bytes): a fixed-length name, whatever the root.
    return QStringLiteral("trevalo2-%1-%2").arg(getuid()).arg(hash.left(16));
}

} // namespace

namespace instance {

QString channelName(const SystemRoot& root)
{
    return channelKey(root);
}

QString lockPath(const SystemRoot& root)
{
    return QDir::tempPath() + QLatin1Char('/') + channelKey(root) + QStringLiteral(".lock");
}

Answer ask(const QString& channel, const QString& request, std::chrono::milliseconds limit)
{
    const QDeadlineTimer deadline(limit);
    QLocalSocket socket;
    socket.connectToServer(channel);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return {Answer::Status::NotRunning, socket.errorString()};
    socket.write(request.toUtf8() + '\n');
    socket.flush();
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState)
            return {Answer::Status::NoAnswer, {}};
        socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    QString line = QString::fromUtf8(socket.readLine());
    line.chop(1);
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    const QString word = tab < 0 ? line : line.left(tab);
    const QString text = tab < 0 ? QString() : line.mid(tab + 1);
    if (word == QLatin1String("ok"))
        return {Answer::Status::Ok, text};
    if (word == QLatin1String("error"))
        return {Answer::Status::Failed, text};
    return {Answer::Status::Failed, QStringLiteral("unexpected answer: %1").arg(escapeField(line))};
}

} // namespace instance

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

InstanceServer::~InstanceServer() = default;

void InstanceServer::setHandler(const QString& request, const Handler& handler)
{
    m_handlers.insert(request, handler);
}

bool InstanceServer::listen(const QString& channel, QString* error)
{
    QLocalServer::removeServer(channel);
    if (m_server->listen(channel))
        return true;
    *error = m_server->errorString();
    return false;
}

void InstanceServer::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        if (socket->canReadLine())
            readRequest(socket);
    }
}

void InstanceServer::readRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes)
            socket->abort();
        return;
    }
    // One request a connection: later lines are not read.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    const QString request = QString::fromUtf8(socket->readLine(kMaxRequestBytes)).trimmed();
    QPointer<QLocalSocket> client(socket);
    auto replied = std::make_shared<bool>(false);
    Reply reply = [client, replied](bool ok, const QString& text) {
        if (*replied || !client)
            return;
        *replied = true;
        QByteArray line = ok ? QByteArrayLiteral("ok") : QByteArrayLiteral("error");
        if (!text.isEmpty())
            line += '\t' + escapeField(text).toUtf8();
        client->write(line + '\n');
        client->disconnectFromServer(); // after what was written has gone out
    };
    const auto handler = m_handlers.constFind(request);
    if (handler == m_handlers.constEnd()) {
        reply(false, QStringLiteral("unknown request %1").arg(request));
        return;
    }
    (*handler)(reply);
}

} // namespace trevalo
