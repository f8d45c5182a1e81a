#include "app/ui/SecondStart.h"

#include "app/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QThread>

namespace trevalo {

namespace {

using namespace std::chrono_literals;

/// How long a program that holds the lock may take to open its channel.
constexpr auto kListenLimit = 5s;

} // namespace

int handOverToRunningProgram(const SystemRoot& root, QTextStream& err)
{
    const QString where = root.isIdentity() ? QStringLiteral("/") : root.rootDir();
    const QDeadlineTimer listening(kListenLimit);
    instance::Answer answer;
    for (;;) {
        answer = instance::ask(instance::channelName(root), instance::showMenu, instance::kAnswerLimit);
        if (answer.status != instance::Answer::Status::NotRunning || listening.hasExpired())
            break;
        QThread::msleep(100);
    }
    switch (answer.status) {
    case instance::Answer::Status::Ok:
        return 0;
    case instance::Answer::Status::Failed:
        err << "trevalo: Trevalo 2 is already running for " << root.userName() << " on " << where << ": "
            << answer.text << Qt::endl;
        return 1;
    case instance::Answer::Status::NotRunning:
    case instance::Answer::Status::NoAnswer:
        break;
    }
    err << "trevalo: Trevalo 2 is already running for " << root.userName() << " on " << where
        << " and does not answer" << Qt::endl;
    return 1;
}

} // namespace trevalo
