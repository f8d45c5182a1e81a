#include "platform/PlistFormat.h"
#include "platform/Settings.h"
#include "support/TempRoot.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.path() + "/Library/Preferences/com.quorvex.trevalo2.plist";

    /// Writes the file as another process or program would, behind the back of any open store.
    void writeFile(const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QVariantMap fileContents() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? plistToVariant(f.readAll()).value_or(QVariant()).toMap()
                                           : QVariantMap();
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

TEST_F(SettingsTest, TypesSurviveAReload)
{
    {
        Settings s(file);
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
    Settings s(file);
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

TEST_F(SettingsTest, AValueOfTheWrongTypeReadsAsItsTypesZero)
{
    Settings s(file);
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

TEST_F(SettingsTest, AListReadsAsItsTexts)
{
    trevalo::test::CapturedLog log;
    writeFile(variantToXmlPlist(
        QVariantMap{{"list", QVariantList{"/a", 7, true, "/b"}}, {"empty", QVariantList()}}));
    Settings s(file);
    EXPECT_EQ(s.stringArrayForKey("list"), QStringList({"/a", "/b"}));
    EXPECT_EQ(s.stringArrayForKey("empty"), QStringList());
    EXPECT_TRUE(log.text().contains("2 of the 4 items of \"list\"")) << log.text().toStdString();
}

TEST_F(SettingsTest, EveryDamagedFileIsKept)
{
    trevalo::test::CapturedLog log;
    const QByteArray damaged[] = {"this is not a property list", "<plist><dict><key>a", "\xff\xfe"};
    for (const QByteArray& bytes : damaged) {
        writeFile(bytes);
        Settings s(file);
        EXPECT_FALSE(s.contains("flag"));
        s.setBool("flag", true);
        ASSERT_TRUE(s.synchronize());
        EXPECT_TRUE(Settings(file).boolForKey("flag"));
    }
    // Several starts within one second find several damaged files: each keeps its own name.
    const QMap<QString, QByteArray> copies = damagedCopies();
    QStringList kept, expected;
    for (const QByteArray& bytes : copies)
        kept << QString::fromLatin1(bytes.toHex());
    for (const QByteArray& bytes : damaged)
        expected << QString::fromLatin1(bytes.toHex());
    kept.sort();
    expected.sort();
    EXPECT_EQ(kept, expected);
    const QRegularExpression name("^com\\.quorvex\\.trevalo2\\.plist\\.damaged-\\d{8}-\\d{6}(-\\d+)?$");
    for (const QString& copy : copies.keys())
        EXPECT_TRUE(name.match(copy).hasMatch()) << copy.toStdString();
    EXPECT_TRUE(log.text().contains("could not be read"));
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

TEST_F(SettingsTest, UpdateChangesTheStoredValueNotThisStoresCopy)
{
    Settings s(file);
    s.setBool("unsaved", true);
    // Another process stores a list and a value of its own after this store has read the file.
    writeFile(variantToXmlPlist(QVariantMap{{"list", QStringList{"/theirs"}}, {"other", 1}}));

    QVariant seen;
    ASSERT_TRUE(s.update("list", [&seen](const QVariant& stored) {
        seen = stored;
        return QVariant(stored.toStringList() << "/mine");
    }));
    EXPECT_EQ(seen, QVariant(QStringList{"/theirs"}));
    EXPECT_EQ(s.stringArrayForKey("list"), QStringList({"/theirs", "/mine"}));
    const QVariantMap inFile = fileContents();
    EXPECT_EQ(inFile.value("list").toStringList(), QStringList({"/theirs", "/mine"}));
    EXPECT_EQ(inFile.value("other"), QVariant(qint64(1)));
    EXPECT_EQ(inFile.value("unsaved"), QVariant(true));

    ASSERT_TRUE(s.update("absent", [&seen](const QVariant& stored) {
        seen = stored;
        return QVariant();
    }));
    EXPECT_FALSE(seen.isValid());
    ASSERT_TRUE(s.update("list", [](const QVariant&) { return QVariant(); }));
    EXPECT_FALSE(s.contains("list"));
    EXPECT_FALSE(fileContents().contains("list"));
    EXPECT_FALSE(QFile::exists(file + ".rmw-lock"));
}

TEST_F(SettingsTest, AFileThatCannotBeWrittenChangesNothingAndSaysWhy)
{
    trevalo::test::CapturedLog log;
    // A settings folder that cannot exist: a file stands where it should be.
    const QString blocked = dir.path() + "/Library";
    QFile(blocked).open(QIODevice::WriteOnly);
    Settings s(file);
    s.setBool("flag", true);
    EXPECT_FALSE(s.synchronize());
    EXPECT_TRUE(s.boolForKey("flag"));
    const QString reason = file + " cannot be written: " + blocked + " is a file, not a folder";
    EXPECT_EQ(s.errorString(), reason);

    bool changed = false;
    EXPECT_FALSE(s.update("list", [&changed](const QVariant&) {
        changed = true;
        return QVariant(QStringList{"/x"});
    }));
    EXPECT_FALSE(changed);
    EXPECT_FALSE(s.contains("list"));
    EXPECT_EQ(s.errorString(), reason);
    EXPECT_TRUE(log.text().contains(reason));
}

} // namespace
