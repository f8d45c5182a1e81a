#include "platform/FileDates.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace trevalo;

namespace {

/// Sets a file's (or a symbolic link's own) modification time, to the nanosecond.
bool setModified(const QString& path, qint64 seconds, long nanoseconds, bool linkItself = false)
{
    const timespec times[2] = {{time_t(seconds), nanoseconds}, {time_t(seconds), nanoseconds}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times,
                       linkItself ? AT_SYMLINK_NOFOLLOW : 0) == 0;
}

bool writeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("root ALL=(ALL) ALL\n") > 0;
}

TEST(FileDates, EpochTimesKeepTheirNanoseconds)
{
    const struct Case {
        const char* name;
        qint64 seconds;
        qint64 nanoseconds;
        qint64 msecs; // since 1970
        int subMsNs;  // after that millisecond
    } cases[] = {
        {"whole second", 1'709'280'307, 0, 1'709'280'307'000, 0},
        {"fraction", 1'709'280'307, 123'456'789, 1'709'280'307'123, 456'789},
        {"last nanosecond of a second", 0, 999'999'999, 999, 999'999},
        {"before 1970, counted down to the millisecond", -1, 500'000, -1'000, 500'000},
        {"nanoseconds past a second carry", 10, 1'500'000'000, 11'500, 0},
        {"negative nanoseconds borrow", 10, -1, 9'999, 999'999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FileDates dates = fileDatesFromEpoch(c.seconds, c.nanoseconds, 0, 0);
        EXPECT_EQ(dates.modified.toMSecsSinceEpoch(), c.msecs);
        EXPECT_EQ(dates.modifiedSubMsNs, c.subMsNs);
    }
}

TEST(FileDates, DatesAreTheSameOnlyToTheNanosecond)
{
    const qint64 s = 1'709'280'307;
    EXPECT_TRUE(fileDatesFromEpoch(s, 123'456'789, s, 123'456'789).modifiedWhenCreated());
    // Half a millisecond apart: the same QDateTime, yet two dates.
    const FileDates halfMs = fileDatesFromEpoch(s, 123'456'789, s, 123'956'789);
    EXPECT_EQ(halfMs.modified, halfMs.created);
    EXPECT_FALSE(halfMs.modifiedWhenCreated());
    EXPECT_FALSE(fileDatesFromEpoch(s, 1, s, 0).modifiedWhenCreated());
    EXPECT_FALSE(fileDatesFromEpoch(s + 1, 0, s, 0).modifiedWhenCreated());
    EXPECT_FALSE(FileDates{}.modifiedWhenCreated()); // nothing read is not "unchanged"
}

TEST(FileDates, ReadsAFilesModificationAndCreationDates)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sudoers");
    ASSERT_TRUE(writeFile(path));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
    ASSERT_TRUE(setModified(path, 1'709'280'307, 123'456'789));
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(2);

    const std::optional<FileDates> dates = readFileDates(path);
    ASSERT_TRUE(dates);
    EXPECT_EQ(dates->modified, QDateTime::fromMSecsSinceEpoch(1'709'280'307'123, QTimeZone::utc()));
    EXPECT_EQ(dates->modifiedSubMsNs, 456'789);
    // The birth time, or where the file system keeps none the status change that setting the time made:
    // either is now, not the date set.
    EXPECT_GE(dates->created, before);
    EXPECT_LE(dates->created, after);
    EXPECT_FALSE(dates->modifiedWhenCreated());
}

TEST(FileDates, ASymbolicLinkGivesItsOwnDates)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("sudoers");
    const QString link = dir.filePath("link");
    ASSERT_TRUE(writeFile(target));
    ASSERT_TRUE(setModified(target, 1'000'000'000, 0));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(setModified(link, 1'500'000'000, 0, true));

    const std::optional<FileDates> dates = readFileDates(link);
    ASSERT_TRUE(dates);
    EXPECT_EQ(dates->modified.toSecsSinceEpoch(), 1'500'000'000);
}

TEST(FileDates, NoDatesForAFileThatIsNotThere)
{
    QTemporaryDir dir;
    EXPECT_EQ(readFileDates(dir.filePath("missing")), std::nullopt);
    EXPECT_EQ(readFileDates(dir.filePath("missing/sudoers")), std::nullopt);
    EXPECT_EQ(readFileDates(QString()), std::nullopt);
}

} // namespace
