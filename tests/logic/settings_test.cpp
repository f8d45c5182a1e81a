#include "logic/SettingsContract.h"
#include "platform/PlistFormat.h"
#include "platform/Settings.h"
#include "support/TempRoot.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtEndian>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace trevalo;
using trevalo::test::SettingsContract;
using trevalo::test::SettingsPlace;
using trevalo::test::SettingsPlaceKind;
using trevalo::test::settingsPlaceName;

namespace {

// The settings file of a temporary home folder.
class FilePlace : public SettingsPlace {
public:
    QTemporaryDir dir;
    QString file = dir.path() + "/Library/Preferences/com.quorvex.trevalo2.plist";

    std::unique_ptr<Settings> open() const override { return std::make_unique<Settings>(file); }
    QVariantMap stored() const override
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? plistToVariant(f.readAll()).value_or(QVariant()).toMap()
                                           : QVariantMap();
    }
    void storeBehind(const QVariantMap& values) const override { writeFile(variantToXmlPlist(values)); }
    QString lockFile() const override { return file + ".rmw-lock"; }

    bool damage(const QByteArray& bytes) const override
    {
        writeFile(bytes);
        return true;
    }
    QList<QByteArray> keptDamaged() const override { return damagedCopies().values(); }

    // A file where the settings folder's parent should be; the folder itself waits aside meanwhile.
    std::optional<QString> blockSaving() const override
    {
        QDir(dir.path()).rename("Library", "Library.aside");
        QFile(blocked()).open(QIODevice::WriteOnly);
        return file + " cannot be written: " + blocked() + " is a file, not a folder";
    }
    void unblockSaving() const override
    {
        QFile::remove(blocked());
        QDir(dir.path()).rename("Library.aside", "Library");
    }

    /// Writes the file as another process or program would, behind the back of any open store.
    void writeFile(const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    /// The damaged files set aside beside the settings file, by name, with their contents.
    QMap<QString, QByteArray> damagedCopies() const
    {
        QMap<QString, QByteArray> copies;
        const QDir folder(QFileInfo(file).absolutePath());
        for (const QString& name : folder.entryList({"*.damaged*"}, QDir::Files)) {
            QFile f(folder.filePath(name));
            f.open(QIODevice::ReadOnly);
            copies.insert(name, f.readAll());
        }
        return copies;
    }

private:
    QString blocked() const { return dir.path() + "/Library"; }
};

INSTANTIATE_TEST_SUITE_P(File, SettingsContract,
                         ::testing::Values(SettingsPlaceKind{
                             "File", [] { return std::unique_ptr<SettingsPlace>(new FilePlace); }}),
                         settingsPlaceName);

// What only the plist file promises: its form, its damaged files' names, its limits.
class SettingsTest : public ::testing::Test {
protected:
    FilePlace place;
    const QString& file = place.file;

    void writeFile(const QByteArray& bytes) const { place.writeFile(bytes); }
    QMap<QString, QByteArray> damagedCopies() const { return place.damagedCopies(); }
};

// Binary property lists built object by object, for shapes no writer produces (deep, shared, looping).
// References and offsets are four bytes wide.
QByteArray bigEndian32(quint32 value)
{
    QByteArray out(4, '\0');
    qToBigEndian(value, out.data());
    return out;
}

QByteArray bigEndian64(quint64 value)
{
    QByteArray out(8, '\0');
    qToBigEndian(value, out.data());
    return out;
}

QByteArray binaryContainer(uchar type, const QVector<quint32>& refs)
{
    const qsizetype count = type == 0xD ? refs.size() / 2 : refs.size();
    QByteArray out(1, char(type << 4 | (count < 15 ? count : 15)));
    if (count >= 15)
        out += char(0x12) + bigEndian32(quint32(count));
    for (quint32 ref : refs)
        out += bigEndian32(ref);
    return out;
}

QByteArray binaryPlist(const QVector<QByteArray>& objects)
{
    QByteArray out = "bplist00";
    QByteArray offsets;
    for (const QByteArray& object : objects) {
        offsets += bigEndian32(quint32(out.size()));
        out += object;
    }
    const quint64 tableStart = quint64(out.size());
    out += offsets;
    out += QByteArray(6, '\0') + char(4) + char(4) + bigEndian64(quint64(objects.size())) + bigEndian64(0) +
           bigEndian64(tableStart);
    return out;
}

/// Texts of fewer than 15 characters, in ASCII or UTF-16.
QByteArray binaryText(const QByteArray& ascii)
{
    return char(0x50 | ascii.size()) + ascii;
}

QByteArray binaryUtf16Text(const QString& text)
{
    QByteArray out(1, char(0x60 | text.size()));
    for (QChar c : text) {
        out += char(c.unicode() >> 8);
        out += char(c.unicode() & 0xFF);
    }
    return out;
}

/// The settings dictionary {kept: YES, deep: x}, x being object 4 of the objects `deep` makes.
QByteArray binarySettings(const std::function<QVector<QByteArray>(quint32 first)>& deep)
{
    QVector<QByteArray> objects = {binaryContainer(0xD, {1, 3, 2, 4}), binaryText("kept"), "\x09",
                                   binaryText("deep")};
    objects += deep(4);
    return binaryPlist(objects);
}

/// Arrays inside each other, `levels` of them counting the settings dictionary.
QByteArray binaryNested(int levels)
{
    return binarySettings([levels](quint32 first) {
        QVector<QByteArray> arrays;
        for (quint32 i = 0; i + 2 < quint32(levels); ++i)
            arrays += binaryContainer(0xA, {first + i + 1});
        arrays += binaryContainer(0xA, {});
        return arrays;
    });
}

/// Arrays holding the next one twice, `levels` of them below the settings dictionary.
QByteArray binaryShared(int levels)
{
    return binarySettings([levels](quint32 first) {
        QVector<QByteArray> arrays;
        for (quint32 i = 0; i < quint32(levels); ++i)
            arrays += binaryContainer(0xA, {first + i + 1, first + i + 1});
        arrays += binaryContainer(0xA, {});
        return arrays;
    });
}

QByteArray xmlNested(int levels)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict><key>kept</key><true/>"
           "<key>deep</key>" +
           QByteArray("<array>").repeated(levels - 1) + QByteArray("</array>").repeated(levels - 1) +
           "</dict></plist>\n";
}

TEST_P(SettingsContract, TypesSurviveAReload)
{
    {
        const std::unique_ptr<Settings> store = place->open();
        Settings& s = *store;
        s.setBool("flag", true);
        s.setBool("off", false);
        s.setInteger("count", 42);
        s.setInteger("negative", -7);
        s.setString("text", "dd/MM/yy");
        s.setString("emptyText", "");
        s.setStringArray("list", {"/Library/A", "/Users/robin/B"});
        s.setStringArray("single", {"/only"});
        s.setStringArray("empty", {});
        ASSERT_TRUE(s.synchronize());
    }
    const std::unique_ptr<Settings> reopened = place->open();
    const Settings& s = *reopened;
    EXPECT_TRUE(s.boolForKey("flag"));
    EXPECT_TRUE(s.contains("off"));
    EXPECT_FALSE(s.boolForKey("off"));
    EXPECT_EQ(s.integerForKey("count"), 42);
    EXPECT_EQ(s.integerForKey("negative"), -7);
    EXPECT_EQ(s.stringForKey("text"), "dd/MM/yy");
    EXPECT_FALSE(s.stringForKey("emptyText").isNull());
    EXPECT_EQ(s.stringArrayForKey("list"), QStringList({"/Library/A", "/Users/robin/B"}));
    EXPECT_EQ(s.stringArrayForKey("single"), QStringList({"/only"}));
    // An empty list is a list; a missing key is not.
    EXPECT_EQ(s.stringArrayForKey("empty"), QStringList());
    EXPECT_EQ(s.stringArrayForKey("missing"), std::nullopt);
}

TEST_P(SettingsContract, AValueOfTheWrongTypeReadsAsItsTypesZero)
{
    const std::unique_ptr<Settings> store = place->open();
    Settings& s = *store;
    s.setString("text", "YES");
    s.setBool("flag", true);
    s.setStringArray("list", {"a"});
    s.setInteger("number", 3);
    EXPECT_FALSE(s.boolForKey("text"));
    EXPECT_EQ(s.integerForKey("text"), 0);
    EXPECT_EQ(s.integerForKey("list"), 0);
    EXPECT_TRUE(s.stringForKey("flag").isNull());
    EXPECT_TRUE(s.stringForKey("number").isNull());
    EXPECT_EQ(s.stringArrayForKey("text"), std::nullopt);
    // Numbers and booleans are one kind, as in a defaults domain.
    EXPECT_TRUE(s.boolForKey("number"));
    EXPECT_EQ(s.integerForKey("flag"), 1);
    EXPECT_FALSE(s.boolForKey("missing"));
}

TEST_P(SettingsContract, ASavedValueIsSeenByTheNextStoreAndSoIsARemoval)
{
    const std::unique_ptr<Settings> writer = place->open();
    writer->setBool("flag", true);
    ASSERT_TRUE(writer->synchronize());
    EXPECT_TRUE(place->open()->boolForKey("flag"));
    writer->remove("flag");
    ASSERT_TRUE(writer->synchronize());
    EXPECT_FALSE(place->open()->contains("flag"));
    EXPECT_FALSE(place->stored().contains("flag"));
}

TEST_P(SettingsContract, WhatOtherProgramsStoreIsSeenAndKeptThroughASave)
{
    const std::unique_ptr<Settings> s = place->open();
    // A user's `defaults write` while the program runs, with kinds of value the program never writes.
    const QDateTime date(QDate(2026, 3, 1), QTime(9, 30), QTimeZone::utc());
    const QVariantMap theirs{{"secCenter", true},
                             {"installed", date},
                             {"window", QVariantMap{{"x", qint64(10)}, {"name", "main"}}},
                             {"ratio", 0.25}};
    place->storeBehind(theirs);
    s->setStringArray("whitelist", {"/Library/mine"});
    ASSERT_TRUE(s->synchronize());

    EXPECT_TRUE(s->boolForKey("secCenter"));
    const QVariantMap stored = place->stored();
    EXPECT_EQ(stored.value("whitelist").toStringList(), QStringList{"/Library/mine"});
    for (auto it = theirs.begin(); it != theirs.end(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        EXPECT_EQ(stored.value(it.key()).typeId(), it.value().typeId());
        EXPECT_EQ(stored.value(it.key()), it.value());
    }
    // The typed reads take them as their types' zero.
    EXPECT_TRUE(s->stringForKey("installed").isNull());
    EXPECT_EQ(s->stringArrayForKey("window"), std::nullopt);
}

TEST_P(SettingsContract, AListReadsAsItsTexts)
{
    trevalo::test::CapturedLog log;
    place->storeBehind(QVariantMap{{"list", QVariantList{"/a", 7, true, "/b"}}, {"empty", QVariantList()}});
    const std::unique_ptr<Settings> s = place->open();
    EXPECT_EQ(s->stringArrayForKey("list"), QStringList({"/a", "/b"}));
    // An empty list is a list; a missing key is not.
    EXPECT_EQ(s->stringArrayForKey("empty"), QStringList());
    EXPECT_EQ(s->stringArrayForKey("missing"), std::nullopt);
    EXPECT_TRUE(log.text().contains("2 of the 4 items of \"list\"")) << log.text().toStdString();
}

TEST_P(SettingsContract, EveryDamagedStoreIsKeptAndReadsAsEmpty)
{
    trevalo::test::CapturedLog log;
    const QByteArray damaged[] = {"this is not a property list", "<plist><dict><key>a",
                                  "<plist><dict><key>flag</key><true/>", "\xff\xfe"};
    for (const QByteArray& bytes : damaged) {
        if (!place->damage(bytes))
            GTEST_SKIP() << "the service that keeps these settings owns their files";
        const std::unique_ptr<Settings> s = place->open();
        EXPECT_FALSE(s->contains("flag"));
        s->setBool("flag", true);
        ASSERT_TRUE(s->synchronize());
        EXPECT_TRUE(place->open()->boolForKey("flag"));
    }
    // Several starts within one second find several damaged stores: none replaces another.
    QStringList kept, expected;
    for (const QByteArray& bytes : place->keptDamaged())
        kept << QString::fromLatin1(bytes.toHex());
    for (const QByteArray& bytes : damaged)
        expected << QString::fromLatin1(bytes.toHex());
    kept.sort();
    expected.sort();
    EXPECT_EQ(kept, expected);
    EXPECT_TRUE(log.text().contains("could not be read"));
}

TEST_P(SettingsContract, UpdateChangesTheStoredValueNotThisStoresCopy)
{
    const std::unique_ptr<Settings> s = place->open();
    s->setBool("unsaved", true);
    // Another process stores a list and a value of its own after this store has read the settings.
    place->storeBehind(QVariantMap{{"list", QStringList{"/theirs"}}, {"other", qint64(1)}});

    QVariant seen;
    ASSERT_TRUE(s->update("list", [&seen](const QVariant& stored) {
        seen = stored;
        return QVariant(stored.toStringList() << "/mine");
    }));
    EXPECT_EQ(seen, QVariant(QStringList{"/theirs"}));
    EXPECT_EQ(s->stringArrayForKey("list"), QStringList({"/theirs", "/mine"}));
    const QVariantMap inStore = place->stored();
    EXPECT_EQ(inStore.value("list").toStringList(), QStringList({"/theirs", "/mine"}));
    EXPECT_EQ(inStore.value("other").toLongLong(), 1);
    EXPECT_EQ(inStore.value("unsaved"), QVariant(true));

    ASSERT_TRUE(s->update("absent", [&seen](const QVariant& stored) {
        seen = stored;
        return QVariant();
    }));
    EXPECT_FALSE(seen.isValid());
    ASSERT_TRUE(s->update("list", [](const QVariant&) { return QVariant(); }));
    EXPECT_FALSE(s->contains("list"));
    EXPECT_FALSE(place->stored().contains("list"));
    EXPECT_FALSE(QFile::exists(place->lockFile()));
}

TEST_P(SettingsContract, AFailedSaveIsReportedAndLosesNothing)
{
    trevalo::test::CapturedLog log;
    const std::unique_ptr<Settings> s = place->open();
    s->setBool("flag", true);
    const std::optional<QString> reason = place->blockSaving();
    if (!reason)
        GTEST_SKIP() << "saving cannot be made to fail here";
    EXPECT_FALSE(s->synchronize());
    EXPECT_TRUE(s->boolForKey("flag"));
    EXPECT_EQ(s->errorString(), *reason);

    bool changed = false;
    EXPECT_FALSE(s->update("list", [&changed](const QVariant&) {
        changed = true;
        return QVariant(QStringList{"/x"});
    }));
    EXPECT_FALSE(s->transact([&changed] {
        changed = true;
        return true;
    }));
    EXPECT_FALSE(changed);
    EXPECT_FALSE(s->contains("list"));
    EXPECT_EQ(s->errorString(), *reason);
    EXPECT_TRUE(log.text().contains(*reason));

    // Once the store can be written again, the next save brings what was kept in memory.
    place->unblockSaving();
    ASSERT_TRUE(s->synchronize());
    EXPECT_TRUE(place->open()->boolForKey("flag"));
}

TEST_P(SettingsContract, ReadModifyWritesAtOnceKeepEveryChange)
{
    // Stores of their own, as separate processes have: each adds entries to one list and counts in one
    // number, every change read from and written to the store under the lock.
    constexpr int kStores = 4;
    constexpr int kChanges = 12;
    std::atomic<int> failures = 0;
    std::vector<std::thread> stores;
    stores.reserve(kStores);
    for (int n = 0; n < kStores; ++n) {
        stores.emplace_back([this, n, &failures] {
            const std::unique_ptr<Settings> s = place->open();
            for (int i = 0; i < kChanges; ++i) {
                const QString entry = QStringLiteral("/Library/%1-%2").arg(n).arg(i);
                if (!s->update("whitelist", [&entry](const QVariant& stored) {
                        return QVariant(stored.toStringList() << entry);
                    }))
                    ++failures;
                if (!s->transact([&s] {
                        s->setInteger("timestampInt", s->integerForKey("timestampInt") + 1);
                        return true;
                    }))
                    ++failures;
            }
        });
    }
    for (std::thread& store : stores)
        store.join();
    EXPECT_EQ(failures, 0);

    QStringList expected;
    for (int n = 0; n < kStores; ++n)
        for (int i = 0; i < kChanges; ++i)
            expected << QStringLiteral("/Library/%1-%2").arg(n).arg(i);
    expected.sort();
    const std::unique_ptr<Settings> s = place->open();
    QStringList stored = s->stringArrayForKey("whitelist").value_or(QStringList());
    stored.sort();
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(s->integerForKey("timestampInt"), kStores * kChanges);
}

// Only the plist file from here on.

TEST_F(SettingsTest, WritesStayInMemoryUntilSynchronize)
{
    Settings writer(file);
    writer.setBool("flag", true);
    EXPECT_FALSE(QFile::exists(file));
    ASSERT_TRUE(writer.synchronize());
    EXPECT_TRUE(Settings(file).boolForKey("flag"));
    writer.remove("flag");
    writer.synchronize();
    EXPECT_FALSE(Settings(file).contains("flag"));
}

TEST_F(SettingsTest, FileIsAPropertyListOtherToolsCanRead)
{
    Settings s(file);
    s.setBool("darkmode", true);
    s.setStringArray("whitelist", {"/Library/x"});
    s.synchronize();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const auto root = plistToVariant(f.readAll());
    ASSERT_TRUE(root.has_value());
    const QVariantMap map = root->toMap();
    EXPECT_EQ(map.value("darkmode").typeId(), QMetaType::Bool);
    EXPECT_EQ(map.value("whitelist").toStringList(), QStringList{"/Library/x"});
}

TEST_F(SettingsTest, ADamagedFileIsSetAsideUnderTheTimeItWasFound)
{
    for (int start = 0; start < 2; ++start) {
        writeFile("this is not a property list");
        Settings s(file);
    }
    const QStringList copies = damagedCopies().keys();
    EXPECT_EQ(copies.size(), 2);
    const QRegularExpression name("^com\\.quorvex\\.trevalo2\\.plist\\.damaged-\\d{8}-\\d{6}(-\\d+)?$");
    for (const QString& copy : copies)
        EXPECT_TRUE(name.match(copy).hasMatch()) << copy.toStdString();
}

TEST_F(SettingsTest, NoSettingsFileEndsTheProgram)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        bool readable;
    };
    const Case cases[] = {
        {"XML at the nesting limit", xmlNested(kPlistMaxNesting), true},
        {"XML one level deeper", xmlNested(kPlistMaxNesting + 1), false},
        {"XML 50,000 deep", xmlNested(50000), false},
        {"XML deeper than libplist can free", xmlNested(300000), false},
        {"binary at the nesting limit", binaryNested(kPlistMaxNesting), true},
        {"binary one level deeper", binaryNested(kPlistMaxNesting + 1), false},
        {"binary 50,000 deep", binaryNested(50000), false},
        {"binary deeper than libplist can read", binaryNested(300000), false},
        {"binary array inside itself",
         binarySettings([](quint32 first) { return QVector<QByteArray>{binaryContainer(0xA, {first})}; }),
         false},
        // An array holding the next one twice, at every level: 2^40 values once expanded.
        {"binary array named twice at 40 levels", binaryShared(40), false},
        {"binary array named twice at 8 levels", binaryShared(8), true},
        // libplist asserts that the texts it hands out hold no NUL; a UTF-16 text can.
        {"binary text holding a NUL", binarySettings([](quint32) {
             return QVector<QByteArray>{binaryUtf16Text(QString::fromLatin1("a\0b", 3))};
         }),
         true},
        {"binary key holding a NUL", binarySettings([](quint32 first) {
             return QVector<QByteArray>{binaryContainer(0xD, {first + 1, 2}),
                                        binaryUtf16Text(QString::fromLatin1("a\0b", 3))};
         }),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& copy : damagedCopies().keys())
            QFile::remove(QFileInfo(file).absolutePath() + "/" + copy);
        writeFile(c.bytes);
        Settings s(file);
        EXPECT_EQ(s.boolForKey("kept"), c.readable);
        const QList<QByteArray> copies = damagedCopies().values();
        EXPECT_EQ(copies.size(), c.readable ? 0 : 1);
        if (!c.readable && copies.size() == 1) {
            EXPECT_TRUE(copies.first() == c.bytes);
        }
    }
}

} // namespace
