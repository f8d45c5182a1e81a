#include "platform/FileLock.h"

#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace trevalo;

namespace {

TEST(FileLock, ALockFreedWhileWaitingIsTakenBeforeTheTimeLimit)
{
    // QLockFile's own wait doubles its pause after each miss: freed at 3.5 s, it would look again only
    // at 6.3 s and give up at 5 s. Several processes queueing for the settings file met exactly that.
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.rmw-lock");
    QLockFile holder(path);
    ASSERT_TRUE(holder.tryLock(0));
    std::thread release([&holder] {
        QThread::msleep(3500);
        holder.unlock();
    });
    QLockFile waiter(path);
    const bool taken = lockWithin(waiter, 5000);
    release.join();
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
