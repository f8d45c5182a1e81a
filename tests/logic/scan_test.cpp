#include "analyser/AnalyseCommand.h"
#include "analyser/AnalyserKeys.h"
#include "analyser/Scanner.h"
#include "analyser/SignatureCodec.h"
#include "analyser/Signatures.h"
#include "analyser/ThreatClassifier.h"
#include "app/TRAppDelegate.h"
#include "support/FakeServices.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QScopeGuard>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace trevalo;

namespace {

QByteArray encoded(const QStringList& entries)
{
    return encode(entries.join(',')).toUtf8();
}

/// An empty Mac for robin with a Time Machine stand-in that names no backup, and the seams around it.
class ScanTest : public ::testing::Test, protected test::FakeServices {
protected:
    ScanTest()
    {
        machine.script("/usr/bin/tmutil", "exit 0");
        signatures.files["awNames"] = encoded({"adware"});
        signatures.files["cwareNames"] = encoded({"cleaner"});
        signatures.files["mwNames"] = encoded({"trojan"});
        signatures.files["exNames"] = encoded({"com.apple.fake"});
        signatures.files["dtNames"] = encoded({"oldplugin"});
        signatures.files["kNames"] = encoded({"keylog"});
    }

    void locations(const QStringList& entries) { signatures.files["trnums"] = encoded(entries); }
    void plant(const QString& macPath) { machine.write(macPath, "x"); }
    ScanOutcome scan()
    {
        Scanner scanner(services(), signatures);
        return scanner.analyser();
    }
    static QStringList paths(const ScanOutcome& outcome)
    {
        QStringList out;
        for (const ScanRow& row : outcome.rows)
            out << row.path;
        return out;
    }
    /// `trevalo analyse ARGS` on this Mac.
    int analyse(const QStringList& args, QString* out, QString* err)
    {
        QTextStream o(out), e(err);
        const int status = runAnalyseCommand(args, services(), o, e, &signatures);
        o.flush();
        e.flush();
        return status;
    }

    trevalo::test::FixedSignatures signatures;
};

} // namespace

TEST_F(ScanTest, LocationEntriesBecomePathsByTheirRules)
{
    workspace.applications["com.example.app"] = "/Applications/Example.app";
    Scanner scanner(services(), signatures);
    struct Case {
        const char* entry;
        const char* path;
    };
    const Case cases[] = {
        {"~/Library/LaunchAgents/a.plist", "/Users/robin/Library/LaunchAgents/a.plist"},
        {"~", "/Users/robin"},
        {"~//Library//x/", "/Users/robin/Library/x"},            // joined as a path component
        {"/Users/Shared/~/Library/y", "/Users/robin/Library/y"}, // a "~" anywhere counts
        {"$TEMP/a", "/private/var/folders/T/a"},
        {"$TEMP/.hidden dir/b", "/private/var/folders/T/.hidden dir/b"},
        {"/Library/Extensions/x.kext", "/Library/Extensions/x.kext"},
        {"com.example.app", "/Applications/Example.app"},
        {"com.example.missing", nullptr}, // not installed: no path at all
    };
    for (const Case& c : cases)
        EXPECT_EQ(scanner.pathForLocation(c.entry), c.path ? QString(c.path) : QString()) << c.entry;
}

TEST_F(ScanTest, FindsWhatExistsInListOrderAndClassifiesIt)
{
    workspace.applications["com.example.cleaner"] = "/Applications/Mega Cleaner.app";
    workspace.applications["com.example.gone"] = "/Applications/Gone.app"; // known, but not there
    locations({"/Library/LaunchAgents/com.trojan.plist", "~/Library/adware", "/Library/missing",
               "com.example.cleaner", "com.example.gone", "com.example.unknown", "$TEMP/updater",
               "/Library/Application Support/Nothing Known"});
    plant("/Library/LaunchAgents/com.trojan.plist");
    QDir().mkpath(machine.host("/Users/robin/Library/adware")); // folders count as found items too
    plant("/Applications/Mega Cleaner.app/Contents/Info.plist");
    plant("/private/var/folders/T/updater");
    plant("/Library/Application Support/Nothing Known");

    const ScanOutcome outcome = scan();
    ASSERT_EQ(outcome.rows.size(), 5);
    const ScanRow expected[] = {
        {"com.trojan.plist", "Malware", "/Library/LaunchAgents/com.trojan.plist"},
        {"adware", "Adware", "/Users/robin/Library/adware"},
        {"Mega Cleaner.app", "Performance", "/Applications/Mega Cleaner.app"},
        {"updater", QString(), "/private/var/folders/T/updater"},
        {"Nothing Known", QString(), "/Library/Application Support/Nothing Known"},
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(outcome.rows[i].name, expected[i].name) << i;
        EXPECT_EQ(outcome.rows[i].issue, expected[i].issue) << i;
        EXPECT_EQ(outcome.rows[i].path, expected[i].path) << i;
    }
}

TEST_F(ScanTest, ItemsWithTheSameNameEachKeepTheirRow)
{
    locations({"~/Library/LaunchAgents/com.adware.agent.plist",
               "/Library/LaunchAgents/com.adware.agent.plist",
               "/Library/LaunchAgents/com.adware.agent.plist"}); // listed twice: still one row
    plant("/Users/robin/Library/LaunchAgents/com.adware.agent.plist");
    plant("/Library/LaunchAgents/com.adware.agent.plist");

    const ScanOutcome outcome = scan();
    EXPECT_EQ(paths(outcome), QStringList({"/Users/robin/Library/LaunchAgents/com.adware.agent.plist",
                                           "/Library/LaunchAgents/com.adware.agent.plist"}));
    ScanResults results;
    applyScan(outcome, results);
    EXPECT_EQ(results.foundItems.size(), 2);
    EXPECT_EQ(results.issues.size(), 2);
}

TEST_F(ScanTest, IgnoredPathsHideOnlyThemselves)
{
    const QStringList found = {
        "/Library/Foo",                      // a leading part of an ignored path
        "/Library/Foo Agent.app",            // ignored, in other letter case
        "/Library/Bar/x",                    // straddles two ignored paths once they are joined
        "/Library/LaunchAgents/adware.plist" // ignored exactly
    };
    locations(found);
    for (const QString& p : found)
        plant(p);
    settings.setStringArray(keys::whitelist, {"/library/foo AGENT.app", "/Library/Bar", "/x",
                                              "/Library/LaunchAgents/adware.plist"});

    EXPECT_EQ(paths(scan()), QStringList({"/Library/Foo", "/Library/Bar/x"}));
}

TEST_F(ScanTest, WhitelistIsCreatedOnlyWhenSomethingExists)
{
    locations({"/Library/nothing-here"});
    EXPECT_TRUE(scan().rows.isEmpty());
    EXPECT_FALSE(settings.contains(keys::whitelist));
    EXPECT_FALSE(QFile::exists(root.settingsFile())); // nothing was written either

    plant("/Library/nothing-here");
    EXPECT_EQ(scan().rows.size(), 1);
    Settings reread(root.settingsFile());
    EXPECT_EQ(reread.stringArrayForKey(keys::whitelist), QStringList());
}

TEST_F(ScanTest, TheFirstScanKeepsAWhitelistStoredMeanwhile)
{
    locations({"/Library/a", "/Library/b"});
    plant("/Library/a");
    plant("/Library/b");
    // An `analyse --ignore` in another process, after this one has read its settings.
    writeSettingsFile({{keys::whitelist, QStringList{"/Library/a"}}});
    EXPECT_EQ(paths(scan()), QStringList{"/Library/b"});
    EXPECT_EQ(storedSetting(keys::whitelist), QVariant(QStringList{"/Library/a"}));
}

TEST_F(ScanTest, AWhitelistItemThatIsNoTextCostsNoOtherEntry)
{
    locations({"/Library/a", "/Library/b", "/Library/c"});
    for (const char* path : {"/Library/a", "/Library/b", "/Library/c"})
        plant(path);
    writeSettingsFile({{keys::whitelist, QVariantList{"/Library/a", 7, "/Library/b"}}});
    EXPECT_EQ(paths(scan()), QStringList{"/Library/c"});

    QString out, err;
    EXPECT_EQ(analyse({"--ignore", "/Library/c"}, &out, &err), 0);
    EXPECT_EQ(storedSetting(keys::whitelist),
              QVariant(QVariantList{"/Library/a", qint64(7), "/Library/b", "/Library/c"}));
    EXPECT_TRUE(scan().rows.isEmpty());
}

TEST_F(ScanTest, MissingLocationListFindsNothing)
{
    signatures.files.remove("trnums");
    plant("/Library/adware");
    EXPECT_TRUE(scan().rows.isEmpty());
    signatures.files["trnums"] = "not numbers at all";
    EXPECT_TRUE(scan().rows.isEmpty());
}

TEST_F(ScanTest, NameListsAreReadOncePerScan)
{
    locations({"/a-adware", "/b-trojan", "/c-keylog"});
    plant("/a-adware");
    plant("/b-trojan");
    plant("/c-keylog");
    scan();
    for (const NameList& list : kNameLists)
        EXPECT_EQ(signatures.reads.count(list.resource), 1) << list.resource;
}

TEST_F(ScanTest, BackupSigns)
{
    locations({});
    EXPECT_FALSE(scan().haveBackup);

    struct Sign {
        const char* path;
    };
    const Sign signs[] = {{"/Applications/Carbon Copy Cloner.app"},
                          {"/Applications/superduper!.app"},
                          {"/Users/robin/Library/Preferences/com.apple.timemachine.plist"}};
    for (const Sign& s : signs) {
        plant(s.path);
        EXPECT_TRUE(scan().haveBackup) << s.path;
        QFile::remove(machine.host(s.path));
        QDir(machine.host(s.path)).removeRecursively();
    }
    EXPECT_FALSE(scan().haveBackup);

    machine.script("/usr/bin/tmutil",
                   R"(echo "/Volumes/Backup Drive/Backups.backupdb/Mac/2024-03-01-101500")");
    EXPECT_TRUE(scan().haveBackup);
    machine.script("/usr/bin/tmutil", R"(echo "No machine directory found for host." >&2; exit 1)");
    EXPECT_FALSE(scan().haveBackup); // only standard output counts
}

TEST_F(ScanTest, ResultsReplaceItemsAndUpdateIssuesPathByPath)
{
    ScanResults results;
    results.foundItems.insert("/old", "old");
    results.issues.insert("/old", "Adware");           // from an earlier scan: kept
    results.issues.insert("/Library/plain", "Adware"); // found again without an issue: dropped
    ScanOutcome outcome;
    outcome.rows = {{"plain", QString(), "/Library/plain"}, {"x-trojan", "Malware", "/x-trojan"}};
    outcome.haveBackup = true;

    applyScan(outcome, results);
    EXPECT_EQ(results.foundItems,
              (QMap<QString, QString>{{"/Library/plain", "plain"}, {"/x-trojan", "x-trojan"}}));
    EXPECT_EQ(results.issues, (QMap<QString, QString>{{"/old", "Adware"}, {"/x-trojan", "Malware"}}));
    EXPECT_TRUE(results.haveBackup);
}

TEST_F(ScanTest, DelegateScanFillsTheSharedResults)
{
    locations({"/Library/keylog.app"});
    plant("/Library/keylog.app");
    TRAppDelegate delegate(services(),
                           [this](const Services& s) { return Scanner(s, signatures).analyser(); });
    delegate.analyser();
    const ScanResults& results = delegate.analyserSubsystem().scanResults();
    EXPECT_EQ(results.foundItems.value("/Library/keylog.app"), "keylog.app");
    EXPECT_EQ(results.issues.value("/Library/keylog.app"), "Keylogger");
}

TEST(ScanNames, ItemNameIsTheLastPathComponent)
{
    EXPECT_EQ(Scanner::getItemNameFor("/Library/LaunchAgents/a.plist"), "a.plist");
    EXPECT_EQ(Scanner::getItemNameFor("/Applications/Genieo/"), "Genieo");
    EXPECT_EQ(Scanner::getItemNameFor("/"), "/");
    EXPECT_EQ(Scanner::getItemNameFor("relative"), "relative");
}

TEST(ScanClassification, LaterListsWin)
{
    const ThreatClassifier classifier(
        {QStringList{"shared", "ad"}, {"boost"}, {"trojan"}, {"com.apple.fake"}, {"oldplugin"}, {"keylog"}});
    struct Case {
        const char* path;
        const char* issue;
    };
    const Case cases[] = {
        {"/Library/shared-keylog-ad", "Keylogger"}, // Adware and Keylogger
        {"/x/oldplugin/trojan/boost", "Detritus"},
        {"/x/trojan-boost", "Malware"},
        {"/LaunchDaemons/com.apple.fake.plist", "Malware"}, // the second malware list alone
        {"/BOOST/Ad", "Performance"},
        {"/x/ad", "Adware"}, // a fragment shorter than the index key
        {"/x/a", nullptr},
        {"/Library/KeyLoG", "Keylogger"}, // letter case does not matter
        {"/Library/kEyLog", "Keylogger"},
        {"", nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifier.getThreatNameFor(QString(c.path)), c.issue ? QString(c.issue) : QString())
            << c.path;

    EXPECT_EQ(ThreatClassifier().getThreatNameFor(QStringLiteral("/anything")), QString());
}

TEST(ScanClassification, AgreesWithAPlainSearchOfEveryFragment)
{
    // The index must find exactly what looking for every fragment in turn finds, including fragments
    // that share their first characters, overlap, end the path or are not ASCII.
    const std::array<QStringList, 6> lists = {QStringList{"abcd", "abcdef", "zz", "ÉTÉ"},
                                              QStringList{"bcde", "a"},
                                              QStringList{"cdefg"},
                                              QStringList{"defgh", "xyzw"},
                                              QStringList{"efgh"},
                                              QStringList{"fghi", "ßtraße"}};
    const ThreatClassifier classifier(lists);
    auto plain = [&lists](const QString& path) {
        int best = -1;
        for (int i = 0; i < 6; ++i) {
            for (const QString& f : lists[size_t(i)]) {
                if (path.contains(f, Qt::CaseInsensitive))
                    best = i;
            }
        }
        return best;
    };
    const QString paths[] = {
        "abcd", "ABCDEF", "xabcdefghij",  "/bcdx",  "/q",        "cdefg",     "/r/été/s", "zzz",
        "ZZ",   "x/EFGH", "defg",         "fgh",    "abcdefghi", "/xyzw",     "xyz",      "/ßTRAßE/",
        "aaaa", "efgx",   "/Library/ÉTÉ", "/é/té/", "",          "/one/two/", "bcdefgh",  "/a"};
    for (const QString& path : paths)
        EXPECT_EQ(classifier.matchingList(path), plain(path)) << path.toStdString();
}

TEST_F(ScanTest, AnalyseRowsStayOneLineWhateverTheNamesHold)
{
    // A location may hold a tab or line feed; a bundle found by its identifier may hold anything.
    locations({"com.evil.app", "/Library/a\tb\nc-adware"});
    workspace.applications["com.evil.app"] = "/Applications/E\rv\x01i\\l.app";
    plant("/Library/a\tb\nc-adware");
    plant("/Applications/E\rv\x01i\\l.app");
    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(runAnalyseCommand({}, services(), o, e, &signatures), 0);
    o.flush();
    EXPECT_EQ(out, "E\\rv\\x01i\\\\l.app\tn/a\t/Applications/E\\rv\\x01i\\\\l.app\n"
                   "a\\tb\\nc-adware\tAdware\t/Library/a\\tb\\nc-adware\n"
                   "Backup: no\n");
}

TEST_F(ScanTest, WhatCouldNotBeCheckedIsAWarningNotAClearResult)
{
    locations({"/Library/one-adware", "/Library/Loop/adware", "com.example.app"});
    plant("/Library/one-adware");
    workspace.applications["com.example.app"] = "/Applications/Example.app";
    plant("/Applications/Example.app");
    const struct Case {
        const char* name;
        std::function<void()> arrange;
        QStringList warnings;
    } cases[] = {
        {"everything answered", [] {}, {}},
        // A loop of links cannot be looked into (as a folder without read permission cannot, for a
        // user who is not root).
        {"a folder that cannot be looked into",
         [this] { QFile::link(machine.host("/Library/Loop"), machine.host("/Library/Loop")); },
         {"Warning: could not check /Library/Loop/adware: Too many levels of symbolic links"}},
        {"Spotlight cannot be asked",
         [this] { workspace.spotlightFails = true; },
         {"Warning: Spotlight could not be asked for applications by identifier (1 not checked)"}},
        {"Time Machine cannot be asked",
         [this] { QFile::remove(machine.host("/usr/bin/tmutil")); },
         {"Warning: Time Machine could not be asked for the latest backup"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        QString out, err;
        QTextStream o(&out), e(&err);
        EXPECT_EQ(runAnalyseCommand({}, services(), o, e, &signatures), 0);
        o.flush();
        e.flush();
        EXPECT_TRUE(out.startsWith("Example.app\tn/a\t") || c.warnings.value(0).contains("Spotlight"))
            << out.toStdString();
        EXPECT_EQ(err.split('\n', Qt::SkipEmptyParts), c.warnings);
        // Undo, so that each case shows its own warning.
        QFile::remove(machine.host("/Library/Loop"));
        workspace.spotlightFails = false;
        machine.script("/usr/bin/tmutil", "exit 0");
    }
}

TEST_F(ScanTest, AnalyseCommandPrintsRowsThenBackup)
{
    locations({"/Library/one-adware", "/Library/plain"});
    plant("/Library/one-adware");
    plant("/Library/plain");
    auto run = [this](const QStringList& args, QString* out, QString* err) {
        QTextStream o(out), e(err);
        const int status = runAnalyseCommand(args, services(), o, e, &signatures);
        o.flush();
        e.flush();
        return status;
    };

    QString out, err;
    EXPECT_EQ(run({}, &out, &err), 0);
    EXPECT_EQ(out, "one-adware\tAdware\t/Library/one-adware\n"
                   "plain\tn/a\t/Library/plain\n"
                   "Backup: no\n");
    EXPECT_TRUE(err.isEmpty());

    out.clear();
    EXPECT_EQ(run({"--ignore", "/library/ONE-adware"}, &out, &err), 0);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(run({"--ignore=/x"}, &out, &err), 0);
    EXPECT_EQ(Settings(root.settingsFile()).stringArrayForKey(keys::whitelist),
              QStringList({"/library/ONE-adware", "/x"}));
    EXPECT_EQ(run({}, &out, &err), 0);
    EXPECT_EQ(out, "plain\tn/a\t/Library/plain\nBackup: no\n");

    out.clear();
    EXPECT_EQ(run({"--reset-ignored"}, &out, &err), 0);
    EXPECT_EQ(Settings(root.settingsFile()).stringArrayForKey(keys::whitelist), QStringList());
    EXPECT_EQ(run({}, &out, &err), 0);
    EXPECT_TRUE(out.startsWith("one-adware\t")) << out.toStdString();

    const QStringList usageErrors[] = {
        {"--ignore"}, {"--ignore", "a", "b"}, {"--ignore="}, {"--reset-ignored", "x"}, {"--root"}, {"extra"}};
    for (const QStringList& args : usageErrors) {
        QString o, e;
        EXPECT_EQ(run(args, &o, &e), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(o.isEmpty());
        EXPECT_EQ(e.count('\n'), 1) << e.toStdString();
    }
}

namespace {

enum class SaveBlocker { PreferencesIsAFile, ReadOnlyFile, ReadOnlyFolder };

const char* nameOf(SaveBlocker blocker)
{
    switch (blocker) {
    case SaveBlocker::PreferencesIsAFile:
        return "PreferencesIsAFile";
    case SaveBlocker::ReadOnlyFile:
        return "ReadOnlyFile";
    case SaveBlocker::ReadOnlyFolder:
        return "ReadOnlyFolder";
    }
    return "";
}

void PrintTo(SaveBlocker blocker, std::ostream* os)
{
    *os << nameOf(blocker);
}

class AnalyseCommandSaveTest : public ScanTest, public ::testing::WithParamInterface<SaveBlocker> {};

} // namespace

TEST_P(AnalyseCommandSaveTest, AFailedSaveExitsOneNamingTheFileAndWhy)
{
    const QString file = root.settingsFile();
    const QString folder = QFileInfo(file).absolutePath();
    QString reason;
    QString blocked; // made read-only, and writable again at the end
    if (GetParam() == SaveBlocker::PreferencesIsAFile) {
        machine.write(root.mac(folder), "not a folder");
        reason = folder + " is a file, not a folder";
    } else {
        if (geteuid() == 0)
            GTEST_SKIP() << "read-only modes do not stop root from writing; PreferencesIsAFile covers root";
        writeSettingsFile({{keys::whitelist, QStringList{"/kept"}}});
        const bool readOnlyFile = GetParam() == SaveBlocker::ReadOnlyFile;
        blocked = readOnlyFile ? file : folder;
        reason =
            readOnlyFile ? QStringLiteral("the file is read-only") : "the folder " + folder + " is read-only";
        QFile::setPermissions(blocked,
                              QFile::permissions(blocked) & ~(QFile::WriteOwner | QFile::WriteUser |
                                                              QFile::WriteGroup | QFile::WriteOther));
    }
    const auto writable = qScopeGuard([&blocked] {
        if (!blocked.isEmpty())
            QFile::setPermissions(blocked, QFile::permissions(blocked) | QFile::WriteOwner);
    });
    const QVariant before = storedSetting(keys::whitelist);

    for (const QStringList& args : {QStringList{"--ignore", "/x"}, QStringList{"--reset-ignored"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QString out, err;
        EXPECT_EQ(analyse(args, &out, &err), 1);
        EXPECT_TRUE(out.isEmpty());
        EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(file)) << err.toStdString();
        EXPECT_TRUE(err.contains(reason)) << err.toStdString();
        EXPECT_EQ(storedSetting(keys::whitelist), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Blockers, AnalyseCommandSaveTest,
                         ::testing::Values(SaveBlocker::PreferencesIsAFile, SaveBlocker::ReadOnlyFile,
                                           SaveBlocker::ReadOnlyFolder),
                         [](const ::testing::TestParamInfo<SaveBlocker>& blocker) {
                             return nameOf(blocker.param);
                         });
