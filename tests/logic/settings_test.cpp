#include "platform/PlistFormat.h"
#include "platform/Settings.h"
#include "support/TempRoot.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.path() + "/Library/Preferences/com.quorvex.trevalo2.plist";
};

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

TEST_F(SettingsTest, UnreadableOrUnwritableFilesLoseNothing)
{
    trevalo::test::CapturedLog log;
    QDir().mkpath(QFileInfo(file).absolutePath());
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write("this is not a property list");
    }
    Settings s(file);
    EXPECT_FALSE(s.contains("anything"));
    s.setBool("flag", true);
    EXPECT_TRUE(s.boolForKey("flag"));
    s.synchronize();
    // The damaged file is kept beside the new one for the user to inspect.
    EXPECT_TRUE(Settings(file).boolForKey("flag"));
    QFile f(file + ".damaged");
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), "this is not a property list");
    EXPECT_TRUE(log.text().contains("could not be read"));

    // A settings folder that cannot exist (its parent is a file).
    const QString blocked = dir.path() + "/file/Preferences/x.plist";
    QFile(dir.path() + "/file").open(QIODevice::WriteOnly);
    Settings unwritable(blocked);
    unwritable.setBool("flag", true);
    EXPECT_FALSE(unwritable.synchronize());
    EXPECT_TRUE(unwritable.boolForKey("flag"));
}

} // namespace
