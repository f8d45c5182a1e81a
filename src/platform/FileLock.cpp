#include "platform/FileLock.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QThread>

namespace trevalo {

bool lockWithin(QLockFile& lock, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (lock.tryLock(0))
            return true;
        // A lock whose holder has died is taken over by tryLock itself; any other error will not pass.
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        // A short pause with some spread, so that waiting processes do not retry in step.
        QThread::msleep(
            std::min<qint64>(5 + QRandomGenerator::global()->bounded(20), deadline.remainingTime()));
    }
}

} // namespace trevalo
