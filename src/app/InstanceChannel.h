#pragma once

#include "platform/SystemRoot.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace trevalo {

/// The local socket through which a shell reaches the running menu-bar program: one per user and root.
/// A client sends one line, the request's name; the program answers with one line, "ok", "ok<TAB>TEXT"
/// or "error<TAB>MESSAGE" (TEXT and MESSAGE escaped as every printed field is, so one line each).
namespace instance {

/// The channel's name (a socket in the temporary folder): the same for every program of this user on
/// this root, different for another root or user.
QString channelName(const SystemRoot& root);
/// The lock the running program holds for the life of its channel.
QString lockPath(const SystemRoot& root);

/// The requests the program answers.
inline constexpr const char* showMenu = "show-menu";
inline constexpr const char* runAnalyser = "run-analyser";
inline constexpr const char* openSearch = "open-search";
inline constexpr const char* lastRun = "last-run";

struct Answer {
    enum class Status {
        NotRunning, ///< nothing listens on the channel
        Ok,
        Failed,   ///< the program answered with an error
        NoAnswer, ///< connected, but no whole answer line within the time limit
    };
    Status status = Status::NotRunning;
    QString text; ///< the answer's text or error message, as sent (escaped)
};

/// How long a client waits for an ordinary answer: the running program answers at once, unless its
/// start-up scan is still running.
inline constexpr std::chrono::milliseconds kAnswerLimit = std::chrono::seconds(30);

/// Sends one request and waits for its answer, at most `limit` in all. Blocking; for the command line.
Answer ask(const QString& channel, const QString& request, std::chrono::milliseconds limit);

} // namespace instance

/// The running program's end of the channel. Each request is handed to its handler with a reply
/// function, which the handler may call later (once); a client that has gone by then is not an error.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    using Reply = std::function<void(bool ok, const QString& text)>;
    using Handler = std::function<void(Reply reply)>;

    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    void setHandler(const QString& request, const Handler& handler);
    /// Listens on `channel`. The caller holds the instance lock, so a socket left there is a dead
    /// program's and is removed first. False, with `error` set, when it cannot listen.
    bool listen(const QString& channel, QString* error);

private:
    void accept();
    void readRequest(QLocalSocket* socket);

    QLocalServer* m_server;
    QHash<QString, Handler> m_handlers;
};

} // namespace trevalo
