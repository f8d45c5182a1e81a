#include "platform/CommandRunner.h"
#include "platform/SystemRoot.h"
#include "support/TempRoot.h"

#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::TempRoot;

namespace {

TEST(SystemRootTest, MapsMacPathsOntoTheRootAndBack)
{
    TempRoot machine;
    const SystemRoot root = machine.root();
    const QString dir = QDir(machine.path()).canonicalPath();
    EXPECT_EQ(root.homeDir(), "/Users/robin");
    EXPECT_EQ(root.supportFolder(), "/Users/robin/Library/Application Support/Trevalo 2");
    EXPECT_EQ(root.downloadsDir(), "/Users/robin/Downloads");
    EXPECT_EQ(root.tempDir(), "/private/var/folders/T/");
    EXPECT_EQ(root.settingsFile(), dir + "/Users/robin/Library/Preferences/com.quorvex.trevalo2.plist");

    EXPECT_EQ(root.host("/Library/LaunchAgents"), dir + "/Library/LaunchAgents");
    EXPECT_EQ(root.host("relative/path"), "relative/path");
    EXPECT_EQ(root.launchPath("/usr/bin/sw_vers"), dir + "/usr/bin/sw_vers");
    EXPECT_EQ(root.launchPath("/bin/bash"), "/bin/bash");
    EXPECT_EQ(root.mac(dir + "/Users/robin/x"), "/Users/robin/x");
    EXPECT_EQ(root.mac(dir), "/");
    EXPECT_EQ(root.mac("/elsewhere/x"), "/elsewhere/x");
    EXPECT_EQ(root.mapBack(QStringLiteral("%1/a\n%1/b c\n/other\n").arg(dir)), "/a\n/b c\n/other\n");

    const QProcessEnvironment env = root.childEnvironment();
    EXPECT_TRUE(env.value("PATH").startsWith(dir + "/usr/bin:" + dir + "/usr/sbin:" + dir + "/bin:" + dir +
                                             "/sbin:"));
    EXPECT_EQ(env.value("HOME"), dir + "/Users/robin");
}

TEST(SystemRootTest, TheTemporaryFolderIsWhatTheRootsGetconfSays)
{
    const struct Case {
        const char* getconf; // body of the root's /usr/bin/getconf; none without one
        const char* temp;
    } cases[] = {
        {nullptr, "/private/var/folders/T/"},
        {"[ \"$*\" = DARWIN_USER_TEMP_DIR ] && echo /var/folders/ab/cd0000gn/T/",
         "/var/folders/ab/cd0000gn/T/"},
        {"printf /var/folders/ab/cd0000gn/T", "/var/folders/ab/cd0000gn/T/"},
        {"echo /var/folders/ab/cd0000gn/T/; exit 1", "/private/var/folders/T/"},
        {"echo 'getconf: no such configuration parameter'", "/private/var/folders/T/"},
        {"echo", "/private/var/folders/T/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.getconf ? c.getconf : "no getconf");
        TempRoot machine;
        if (c.getconf)
            machine.script("/usr/bin/getconf", c.getconf);
        EXPECT_EQ(machine.root().tempDir(), c.temp);
    }
}

TEST(SystemRootTest, IdentityMapsNothing)
{
    const SystemRoot root = SystemRoot::identity();
    EXPECT_TRUE(root.isIdentity());
    EXPECT_EQ(root.host("/usr/bin/sw_vers"), "/usr/bin/sw_vers");
    EXPECT_EQ(root.mapBack("/a/b"), "/a/b");
    EXPECT_TRUE(root.tempDir().endsWith('/'));
    SystemRoot::Error error;
    EXPECT_TRUE(SystemRoot::open("/", QString(), &error)->isIdentity());
}

TEST(SystemRootTest, ChoosingTheUser)
{
    TempRoot machine;
    QDir().mkpath(machine.path() + "/Users/sam");
    SystemRoot::Error error;
    EXPECT_FALSE(SystemRoot::open(machine.path(), QString(), &error));
    EXPECT_TRUE(error.message.contains("--user NAME"));
    EXPECT_TRUE(error.message.contains("robin, sam"));
    const auto sam = SystemRoot::open(machine.path(), "sam", &error);
    ASSERT_TRUE(sam);
    EXPECT_EQ(sam->homeDir(), "/Users/sam");
    EXPECT_FALSE(SystemRoot::open(machine.path(), "nobody", &error));
    EXPECT_TRUE(error.message.contains("nobody"));
}

TEST(SystemRootTest, RootsThatCannotServe)
{
    QTemporaryDir dir;
    QFile(dir.path() + "/file").open(QIODevice::WriteOnly);
    QDir().mkpath(dir.path() + "/nousers/Users/Shared");
    struct Case {
        QString root;
        const char* message;
    } cases[] = {
        {dir.path() + "/missing", "does not exist"},
        {dir.path() + "/file", "is not a folder"},
        {dir.path() + "/nousers", "holds no home folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        SystemRoot::Error error;
        EXPECT_FALSE(SystemRoot::open(c.root, QString(), &error));
        EXPECT_TRUE(error.message.contains(c.message)) << error.message.toStdString();
    }
}

} // namespace

namespace {

TEST(SystemRootTest, NoShellStartUpFileReachesTheProgramsShellLines)
{
    TempRoot machine;
    machine.write("/evil", "echo injected\n");
    qputenv("BASH_ENV", machine.host("/evil").toLocal8Bit());
    qputenv("ENV", machine.host("/evil").toLocal8Bit());
    for (const SystemRoot& root : {machine.root(), SystemRoot::identity()}) {
        CommandRunner runner(root);
        EXPECT_EQ(runner.callSubsidTaskWithResult("/bin/bash", {"-c", "echo line"}), "line\n");
    }
    qunsetenv("BASH_ENV");
    qunsetenv("ENV");
}

} // namespace
