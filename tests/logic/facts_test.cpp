#include "app/SystemFacts.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace trevalo::facts;

namespace {

QString sample(const char* relativePath)
{
    QFile file(QStringLiteral(TREVALO_TEST_DATA "/") + QString::fromUtf8(relativePath));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relativePath;
    return QString::fromUtf8(file.readAll());
}

/// The colon-splitting rule the version titles were first made with, kept here to show that the mended
/// parser gives the same titles wherever that rule worked.
std::pair<QString, QString> colonRuleTitles(const QString& output)
{
    const QStringList pieces = output.split(QLatin1Char(':'));
    QString version = pieces.at(2);
    version.truncate(version.indexOf(QStringLiteral("Build")));
    return {QStringLiteral("OSX:  ") + version, QStringLiteral("Build: ") + pieces.at(3)};
}

} // namespace

TEST(FactsOsVersion, TakesVersionAndBuildFromTheirOwnLines)
{
    struct Case {
        const char* file;
        const char* version;
        const char* build;
        bool hasExtraLine;
    };
    const Case cases[] = {
        {"sw_vers/sw_vers-10.10.1-yosemite.txt", "\t10.10.1\n", "\t14B25\n", false},
        {"sw_vers/sw_vers-10.13-no-patch-number.txt", "\t10.13\n", "\t17A405\n", false},
        {"sw_vers/sw_vers-10.15.5-catalina-macbookpro.txt", "\t10.15.5\n", "\t19F101\n", false},
        {"sw_vers/sw_vers-11.4-applesilicon-m1-macbookair.txt", "\t11.4\n", "\t20F71\n", false},
        {"sw_vers/sw_vers-13.0.1-applesilicon-m1pro-doubletab.txt", "\t\t13.0.1\n", "\t\t22A400\n", false},
        {"sw_vers/sw_vers-13.3.1a-RSR-intel-ProductVersionExtra.txt", "\t\t13.3.1\n", "\t\t22E772610a\n",
         true},
        {"sw_vers/sw_vers-14.0-applesilicon-m1.txt", "\t\t14.0\n", "\t\t23A344\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString output = sample(c.file);
        const auto titles = osVersionTitles(output);
        ASSERT_TRUE(titles);
        EXPECT_EQ(titles->version, QString::fromUtf8(c.version));
        EXPECT_EQ(titles->osxTitle, QStringLiteral("OSX:  ") + QString::fromUtf8(c.version));
        EXPECT_EQ(titles->buildTitle, QStringLiteral("Build: ") + QString::fromUtf8(c.build));
        const auto [oldOsx, oldBuild] = colonRuleTitles(output);
        if (c.hasExtraLine) {
            EXPECT_NE(titles->buildTitle, oldBuild); // the fault being mended: "(a)" and "BuildVersion"
        } else {
            EXPECT_EQ(titles->osxTitle, oldOsx);
            EXPECT_EQ(titles->buildTitle, oldBuild);
        }
    }
}

TEST(FactsOsVersion, MalformedOutputKeepsTheTitles)
{
    const char* outputs[] = {
        "",
        "ProductName:\tMac OS X\nProductVersion:\t10.10.1\n",                   // no build line
        "ProductName:\tmacOS\nProductVersionExtra:\t(a)\nBuildVersion:\t22E\n", // no version line
        "sw_vers: command not found\n",
    };
    for (const char* output : outputs)
        EXPECT_FALSE(osVersionTitles(QString::fromUtf8(output))) << output;
}

TEST(FactsOsVersion, BuildOnTheLastLineWithoutLineFeed)
{
    const auto titles = osVersionTitles(QStringLiteral("ProductVersion:\t10.13\nBuildVersion:\t17A405"));
    ASSERT_TRUE(titles);
    EXPECT_EQ(titles->buildTitle, QStringLiteral("Build: \t17A405"));
}

TEST(FactsOsVersion, SipOnlyAfter1010)
{
    EXPECT_FALSE(hasSip(QStringLiteral("\t10.10.1\n")));
    EXPECT_TRUE(hasSip(QStringLiteral("\t10.11.6\n")));
    EXPECT_TRUE(hasSip(QStringLiteral("\t\t14.0\n")));
}

TEST(FactsHardware, TwelveLinesFromTheSixth)
{
    struct Case {
        const char* file;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"system_profiler/SPHardwareDataType-intel-MacBookPro11,4-10.15.2.txt",
         "      Model Identifier: MacBookPro11,4", "      Serial Number (system): 123456789AAA"},
        {"system_profiler/SPHardwareDataType-intel-MacBookPro11,5-2015-10.10or10.11.txt",
         "      Model Identifier: MacBookPro11,5",
         "      Hardware UUID: 34111C30-E887-5F06-8995-D9DBD79F8DC3"},
        {"system_profiler/SPHardwareDataType-intel-MacBookPro12,1-12.6.6-DE-region-decimal-comma.txt",
         "      Model Identifier: MacBookPro12,1", "      SMC Version (system): 2.28f7"},
        {"system_profiler/SPHardwareDataType-intel-MacBookPro16,1-12.6-T2.txt",
         "      Model Identifier: MacBookPro16,1", "      Serial Number (system): C02CPTFJMD6M"},
        // Sixteen lines and a final line feed: the twelfth item is the empty piece after it.
        {"system_profiler/SPHardwareDataType-applesilicon-M1Pro-MacBookPro18,3-13.x.txt",
         "      Model Identifier: MacBookPro18,3", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto lines = hardwareLines(sample(c.file));
        ASSERT_TRUE(lines);
        ASSERT_EQ(lines->size(), 12);
        EXPECT_EQ(lines->first(), QString::fromUtf8(c.first));
        EXPECT_EQ(lines->last(), QString::fromUtf8(c.last));
    }
}

TEST(FactsHardware, ShortOverviewKeepsTheTitles)
{
    EXPECT_FALSE(hardwareLines(sample(
        "system_profiler/SPHardwareDataType-detailLevel-mini-applesilicon-M1-MacBookAir10,1-11.4.txt")));
    EXPECT_FALSE(hardwareLines(QString()));
}

TEST(FactsRecoveryDisk, FindsARecoveryVolumeOnEveryLayout)
{
    const char* files[] = {
        "diskutil/diskutil-list-10.10-yosemite-RecoveryHD-no-disk-qualifier.txt",
        "diskutil/diskutil-list-10.11-10.12-fusion-drive-RecoveryHD-BootOSX.txt",
        "diskutil/diskutil-list-12.x-applesilicon-snapshot-free-space-excerpt.txt",
        "diskutil/diskutil-list-APFS-10.13-10.14-T2-internal-plus-usb-FAT32.txt",
        "diskutil/diskutil-list-APFS-10.13-10.14-synthesized-VM-volume.txt",
        "diskutil/diskutil-list-corestorage-internal-no-physical-RecoveryHD.txt",
    };
    for (const char* file : files)
        EXPECT_EQ(recoveryDiskTitle(sample(file)), QStringLiteral("Recovery Disk: YES")) << file;
}

TEST(FactsRecoveryDisk, NoRecoveryVolume)
{
    const char* outputs[] = {
        "",
        // A Recovery partition type without blanks around the word is not a Recovery volume.
        "/dev/disk0 (internal):\n   3:        Apple_APFS_Recovery                         5.4 GB     "
        "disk0s6\n",
        "/dev/disk0 (internal, physical):\n"
        "   2:          Apple_CoreStorage Macintosh HD            121.0 GB   disk0s2\n"
        "   3:                 Apple_Boot Boot OS X               134.2 MB   disk0s3\n",
    };
    for (const char* output : outputs)
        EXPECT_EQ(recoveryDiskTitle(QString::fromUtf8(output)), QStringLiteral("Recovery Disk: NO"))
            << output;
}

TEST(FactsTrim, ReadsTheGreppedTrimLine)
{
    // What `system_profiler SPSerialATADataType | grep -i trim` leaves of a full output.
    const auto grepTrim = [](const QString& output) {
        QString kept;
        for (const QString& line : output.split(QLatin1Char('\n'))) {
            if (line.contains(QStringLiteral("trim"), Qt::CaseInsensitive))
                kept += line + QLatin1Char('\n');
        }
        return kept;
    };
    struct Case {
        QString output;
        const char* title;
    };
    const Case cases[] = {
        {grepTrim(
             sample("system_profiler/SPSerialATADataType-10.6.8-MacBookPro7,1-TRIM-No-from-full-dump.txt")),
         "   TRIM:  OFF"},
        {grepTrim(sample("system_profiler/"
                         "SPSerialATADataType-pre10.13-HFS-VirtualBoxVM-localized-numbers-RecoveryHD.txt")),
         "   TRIM:  OFF"},
        {QStringLiteral("          TRIM Support: Yes\n"), "   TRIM:  ON"},
        {QString(), "   TRIM:  OFF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(trimTitle(c.output), QString::fromUtf8(c.title)) << c.output.toStdString();
}

TEST(FactsSip, OnlyThePlainEnabledStatusIsOn)
{
    struct Case {
        const char* file;
        const char* title;
    };
    const Case cases[] = {
        {"csrutil/csrutil-status-enabled-10.11.6.txt", "   SIP:     ON"},
        {"csrutil/csrutil-status-disabled-10.13plus-connollydean.txt", "   SIP:     OFF"},
        {"csrutil/csrutil-status-disabled-14.1.2-applesilicon.txt", "   SIP:     OFF"},
        {"csrutil/csrutil-status-custom-enabled-10.11-beta-15A263a-spaces.txt", "   SIP:     OFF"},
        {"csrutil/csrutil-status-custom-enabled-10.13.3-MacBookPro2016-spaces.txt", "   SIP:     OFF"},
        {"csrutil/csrutil-status-custom-unknown-10.15-hackintosh-tabs.txt", "   SIP:     OFF"},
        {"csrutil/csrutil-status-custom-unknown-11.2.1-tabs.txt", "   SIP:     OFF"},
        {"csrutil/csrutil-status-custom-unknown-14.1.2-applesilicon-10-items-tabs.txt", "   SIP:     OFF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sipTitle(sample(c.file)), QString::fromUtf8(c.title)) << c.file;
    EXPECT_EQ(sipTitle(QString()), QStringLiteral("   SIP:     OFF"));
}

TEST(FactsUptime, TextBetweenUpAndTheUserCount)
{
    struct Case {
        const char* file;
        const char* title;
    };
    const Case cases[] = {
        {"uptime/uptime-10.11.6-mins-3users.txt", "Uptime:  3 mins"},
        {"uptime/uptime-10.14.6-days-hhmm-8users.txt", "Uptime:  20 days, 19:45"},
        {"uptime/uptime-12.5.1-days-space-padded-hour-13users.txt", "Uptime:  15 days,  2:03"},
        {"uptime/uptime-14.4-applesilicon-M1Pro-days-hhmm-16users.txt", "Uptime:  13 days, 15:18"},
        {"uptime/uptime-1day-mins-1user.txt", "Uptime:  1 day, 9 mins"},
        {"uptime/uptime-26.0.1-applesilicon-M4-days-hhmm-1user.txt", "Uptime:  3 days, 16:09"},
        {"uptime/uptime-archey-1day-1user-localized-decimal-comma.txt", "Uptime:  1 day, 17:06"},
        {"uptime/uptime-archey-hmm-localized-decimal-comma.txt", "Uptime:   3:02"},
        {"uptime/uptime-archey-mins-2users.txt", "Uptime:  14 mins"},
        {"uptime/uptime-shaped-w-header-10.11.6-days-6users.txt", "Uptime:  10 days, 11:19"},
        {"uptime/uptime-xbar168-120days-hhmm-3users.txt", "Uptime:  120 days, 10:46"},
        {"uptime/uptime-xbar168-1min-singular-2users.txt", "Uptime:  1 min"},
        {"uptime/uptime-xbar168-hmm-double-space-3users.txt", "Uptime:   1:06"},
        {"uptime/uptime-xbar168-mins-3users.txt", "Uptime:  51 mins"},
        {"uptime/uptime-xbar168-secs-2users.txt", "Uptime:  24 secs"},
    };
    for (const Case& c : cases) {
        const auto title = uptimeTitle(sample(c.file));
        ASSERT_TRUE(title) << c.file;
        EXPECT_EQ(*title, QString::fromUtf8(c.title)) << c.file;
    }
}

TEST(FactsUptime, MalformedOutputKeepsTheTitle)
{
    const char* outputs[] = {
        "",
        "10:09  3 mins, 3 users, load averages: 5.63 7.26 3.53\n", // no "up"
        "10:09  up 3 mins\n",                                      // no "user"
        "10:09  up 3 mins 3 users\n",                              // no comma before the users
    };
    for (const char* output : outputs)
        EXPECT_FALSE(uptimeTitle(QString::fromUtf8(output))) << output;
}

TEST(FactsFolderActions, EnabledWhenTheScriptSaysTrue)
{
    EXPECT_EQ(folderActionsTitle(QStringLiteral("true\n")), QStringLiteral("Folder Actions: enabled"));
    EXPECT_EQ(folderActionsTitle(QStringLiteral("TRUE")), QStringLiteral("Folder Actions: enabled"));
    EXPECT_EQ(folderActionsTitle(QStringLiteral("false\n")), QStringLiteral("Folder Actions: disabled"));
    EXPECT_EQ(folderActionsTitle(QString()), QStringLiteral("Folder Actions: disabled"));
}

TEST(FactsFirewall, BlocksUnlessTheModeAllowsAll)
{
    struct Case {
        QString output;
        std::optional<bool> blocks;
    };
    const Case cases[] = {
        {sample("system_profiler/SPFirewallDataType-10.6.8-allow-all-from-full-dump.txt"), false},
        // Its service lines say "Allow all connections"; only the mode counts.
        {sample("system_profiler/SPFirewallDataType-10.8-MacBookPro10,1-limit-incoming.txt"), true},
        {QStringLiteral("    Firewall Settings:\n\n      Mode: Block all incoming connections\n"), true},
        {QStringLiteral("Firewall:\n\n    Firewall Settings:\n"), std::nullopt},
        {QStringLiteral("      Mode: Allow\n"), std::nullopt}, // fewer than 20 characters from "Mode"
        {QString(), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(firewallBlocks(c.output), c.blocks) << c.output.toStdString();
}

TEST(FactsUser, AdminMembership)
{
    const QString groups = QStringLiteral("##\n# Group Database\n##\n"
                                          "nobody:*:-2:\n"
                                          "staff:*:20:root,alex\n"
                                          "admin:*:80:root,robin\n"
                                          "_lpadmin:*:98:alex\n");
    struct Case {
        const char* user;
        QString groupFile;
        bool admin;
    };
    const Case cases[] = {
        {"robin", groups, true},
        {"root", groups, true},
        {"alex", groups, false}, // in other groups, one with "admin" in its name
        {"rob", groups, false},
        {"", groups, false},
        {"robin", QStringLiteral("staff:*:20:robin\n"), false}, // no group "admin"
        {"robin", QStringLiteral("admin:*:80\n"), false},
        {"", QStringLiteral("admin:*:80:\n"), false},
        {"robin", QString(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isAdmin(QString::fromUtf8(c.user), c.groupFile), c.admin) << c.user;

    EXPECT_EQ(userTitle(QStringLiteral("Robin"), true), QStringLiteral("User:       Robin (Admin)"));
    EXPECT_EQ(userTitle(QStringLiteral("Robin"), false), QStringLiteral("User:       Robin"));
}

TEST(FactsUserLibrary, MarkedUnlessHidden)
{
    EXPECT_TRUE(userLibraryVisible(QStringLiteral("drwx------@ 87 robin  staff  - 2788 Mar  3 11:47 .\n")));
    EXPECT_FALSE(
        userLibraryVisible(QStringLiteral("drwx------@ 87 robin  staff  hidden 2788 Mar  3 11:47 .\n")));
    EXPECT_TRUE(userLibraryVisible(QString()));
}

TEST(FactsDock, SizeHidingAndEdge)
{
    struct MiniCase {
        const char* output;
        bool mini;
    };
    const MiniCase sizes[] = {
        {"0.0\n", true},  {"0\n", true},       {"", true},         {"missing value\n", true},
        {"-0.2\n", true}, {"0.5\n", false},    {" 0.25\n", false}, {"1\n", false},
        {".3\n", false},  {"1.0E-2\n", false}, // AppleScript's exponent form
    };
    for (const MiniCase& c : sizes)
        EXPECT_EQ(dockMini(QString::fromUtf8(c.output)), c.mini) << c.output;

    EXPECT_TRUE(dockHiding(QStringLiteral("true\n")));
    EXPECT_FALSE(dockHiding(QStringLiteral("false\n")));
    EXPECT_FALSE(dockHiding(QString()));

    struct EdgeCase {
        const char* output;
        std::optional<DockEdge> edge;
    };
    const EdgeCase edges[] = {
        {"left\n", DockEdge::Left}, {"right\n", DockEdge::Right}, {"bottom\n", DockEdge::Bottom},
        {"", std::nullopt},         {"top\n", std::nullopt},      {"missing value\n", std::nullopt},
    };
    for (const EdgeCase& c : edges)
        EXPECT_EQ(dockEdge(QString::fromUtf8(c.output)), c.edge) << c.output;
}

TEST(FactsInvisibleFiles, Decisions)
{
    struct Case {
        QString output;
        bool marked;
        std::optional<QString> rewrite;
        bool setsTitle;
    };
    const Case cases[] = {
        {sample("defaults/defaults-read-finder-AppleShowAllFiles-0.txt"), false, std::nullopt, true},
        {sample("defaults/defaults-read-finder-AppleShowAllFiles-TRUE-string.txt"), true, QStringLiteral("1"),
         false},
        {QStringLiteral("1\n"), true, std::nullopt, true},
        {QStringLiteral("false\n"), false, QStringLiteral("0"), false},
        {QStringLiteral("NO\n"), true, std::nullopt, true}, // letters order after digits
        {QString(), false, std::nullopt, true},             // the setting does not exist
        {QStringLiteral("1"), false, QStringLiteral("0"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output.toStdString());
        const InvisibleFilesDecision decision = invisibleFilesDecision(c.output);
        EXPECT_EQ(decision.marked, c.marked);
        EXPECT_EQ(decision.rewriteValue, c.rewrite);
        EXPECT_EQ(decision.title,
                  c.setsTitle ? std::optional(QStringLiteral(" Invisible Files")) : std::nullopt);
    }
}

TEST(FactsInvisibleFiles, TextTrueIsRewrittenOnceThenReadAsOne)
{
    QString stored = QStringLiteral("TRUE");
    int rewrites = 0;
    for (int refresh = 0; refresh < 3; ++refresh) {
        const InvisibleFilesDecision decision = invisibleFilesDecision(stored + QLatin1Char('\n'));
        EXPECT_TRUE(decision.marked) << refresh;
        if (decision.rewriteValue) {
            stored = *decision.rewriteValue;
            ++rewrites;
        }
    }
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(stored, QStringLiteral("1"));
}

TEST(FactsInvisibleFiles, NumericOrder)
{
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"1\n", "1", 1}, {"0\n", "1", -1}, {"", "1", -1}, {"1", "1", 0},    {"10", "9", 1},
        {"2", "10", -1}, {"01", "1", 0},   {"a", "1", 1}, {"1a", "1b", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compareNumeric(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.order)
            << c.a << " " << c.b;
}

TEST(FactsSpace, TitlesWithTwoDecimals)
{
    const SpaceTitles titles = spaceTitles(250.7856, 63.2712, 92.1349);
    EXPECT_EQ(titles.size, QStringLiteral("   -size  250.79 GB"));
    EXPECT_EQ(titles.used, QStringLiteral("   -used 63.27%"));
    EXPECT_EQ(titles.free, QStringLiteral("   -free  92.13 GB"));
}

TEST(FactsSpace, MenuBarTitleByMode)
{
    struct Case {
        int mode;
        const char* title;
    };
    const Case cases[] = {{2, "63.27%"}, {1, "12.3 GB"}, {0, ""}, {3, ""}, {-1, ""}};
    for (const Case& c : cases)
        EXPECT_EQ(menuBarTitle(c.mode, 63.2712, 12.34), QString::fromUtf8(c.title)) << c.mode;
}

TEST(FactsLastRun, Title)
{
    EXPECT_EQ(lastRunTitle(QStringLiteral("05/03/24 14:07")), QStringLiteral(" Last run: 05/03/24 14:07"));
}
