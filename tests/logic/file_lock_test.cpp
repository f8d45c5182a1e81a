#include "platform/FileLock.h"

#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace trevalo;

namespace {

TEST(FileLock, ALockFreeForAMomentWhileWaitingIsTaken)
{
    // Another process holds the lock, frees it from 3.5 s to 4.5 s, then takes it again. QLockFile's own
    // wait doubles its pause after each miss: it looks at 3.1 s and next at its 5 s limit, and misses
    // the free second. Several processes queueing for the settings file met exactly that.
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.rmw-lock");
    QLockFile holder(path);
    ASSERT_TRUE(holder.tryLock(0));
    std::thread other([&holder] {
        QThread::msleep(3500);
        holder.unlock();
        QThread::msleep(1000);
        if (holder.tryLock(0)) {
            QThread::msleep(1500);
            holder.unlock();
        }
    });
    QLockFile waiter(path);
    const bool taken = lockWithin(waiter, 5000);
    if (taken)
        waiter.unlock();
    other.join();
    EXPECT_TRUE(taken);
}

TEST(FileLock, AHeldLockIsNotTakenAndALockThatCannotBeMadeFailsAtOnce)
{
    QTemporaryDir dir;
    QLockFile holder(dir.filePath("held.lock"));
    ASSERT_TRUE(holder.tryLock(0));
    QLockFile waiter(dir.filePath("held.lock"));
    EXPECT_FALSE(lockWithin(waiter, 100));

    QLockFile nowhere(dir.filePath("missing-folder/x.lock"));
    EXPECT_FALSE(lockWithin(nowhere, 60000)); // would wait a minute if it retried errors other than "held"
}

} // namespace
