#include "profile/ChangeDetection.h"
#include "profile/ProfileBuilder.h"
#include "support/QtPrinters.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

const QString kHome = QStringLiteral("/Users/robin");

/// What a run gathered on a small machine: every tool answered, every folder is empty unless given.
struct Machine {
    ProfileInputs inputs;
    QHash<QString, FolderListing> folders;
    StoredSnapshots stored;

    Machine()
    {
        inputs.loginItems = QStringList{"\"Dropbox\""};
        inputs.runDate = QDateTime(QDate(2026, 3, 1), QTime(21, 5, 7), QTimeZone("America/New_York"));
        inputs.swVers = "ProductName:\tmacOS\nProductVersion:\t14.0\n";
        inputs.spctl = QStringLiteral("assessments enabled");
        inputs.sipStateTitle = "System Integrity Protection: ON";
        inputs.wcHosts = "      12 /etc/hosts\n";
        inputs.bluetooth = QString();
        inputs.network = "Network:\n";
        inputs.storage = "Storage:\n";
    }
    ProfileBuild build(int number = 12) const
    {
        return buildProfile(
            number, inputs, stored,
            [this](const QString& folder) { return folders.value(folder, FolderListing{}); }, kHome);
    }
    void list(const QString& folder, const QStringList& names)
    {
        folders.insert(folder, FolderListing{FolderListing::State::Listed, names});
    }
};

struct Piece {
    const char* text;
    ReportColour colour;
};

TEST(ProfileBuilder, TheReportsPiecesStandInOrderInTheirColours)
{
    Machine m;
    const ProfileBuild build = m.build();
    const ReportText& report = build.report;
    const QString& text = report.text();

    // The header: the number, then the date in white.
    ASSERT_TRUE(text.startsWith("Timestamp (12):\n\n1 Mar, 2026  9:05:07 PM\nEastern Standard Time\n\n"))
        << text.left(80).toStdString();
    EXPECT_EQ(report.colourAt(0), ReportColour::Base);
    EXPECT_EQ(report.colourAt(17), ReportColour::White);

    const Piece pieces[] = {
        {"ProductName:\tmacOS", ReportColour::White},
        {"\nGatekeeper status: enabled for App Store and identified developers.\nSystem Integrity "
         "Protection: "
         "enabled.\nInstaller check: OK.\n",
         ReportColour::White},
        {"\n\nLogin Items:\n\n", ReportColour::Base},
        {"\n\nUser Launch Agents:\n(path: ~/Library/LaunchAgents/)\n\n", ReportColour::Base},
        {"\n\n\nApplications folder:\n\n", ReportColour::Base},
        {"\n\nLocal Domain Library Folder (changes only)\n(path: /Library/)\n\n", ReportColour::Base},
        {"\n\nLocal Domain Library Scripting Additions\n(path: /Library/ScriptingAdditions)\n\n \n \n\n\n"
         "Local Domain Library StartupItems",
         ReportColour::Base},
        {"\n\nSudo Permissions File:\n(path: /etc/sudoers)\n\n", ReportColour::Base},
        {"The dates of /etc/sudoers could not be read.", ReportColour::White},
        {"\n\n\n\n------------------------- \u25BC ------------------------- \n\n\n\nInstaller History\n",
         ReportColour::Green},
        {"\n\n\nSystem Launch Daemons:\n(path:/System/Library/LaunchDaemons/)\n\n", ReportColour::Green},
        {"\n\n\n\n------------------------- \u25BC ------------------------- \n\n\n\nBluetooth Hardware "
         "Info:\n\n",
         ReportColour::Orange},
        {"\n\n\nNetwork Info:\n\n", ReportColour::Orange},
        {"/etc/hosts -count: 12\n\nNetwork:\n", ReportColour::White},
        {"\n\n\n\n------------------------- \u25BC ------------------------- \n\n\n\nDisk Information:\n\n",
         ReportColour::Cyan},
        {"Storage:\n", ReportColour::White},
    };
    qsizetype from = 0;
    for (const Piece& piece : pieces) {
        SCOPED_TRACE(piece.text);
        const qsizetype at = text.indexOf(QString::fromUtf8(piece.text), from);
        ASSERT_GE(at, from) << "missing or out of order";
        EXPECT_EQ(report.colourAt(at + 3), piece.colour);
        from = at + 1;
    }
    EXPECT_TRUE(text.endsWith("Disk Information:\n\nStorage:\n"));
    // The login item was new: one record, one added count.
    EXPECT_EQ(build.added, 1);
    EXPECT_EQ(build.removed, 0);
    ASSERT_EQ(build.records.size(), 1);
    EXPECT_TRUE(build.records[0].startsWith("\nLocation$ Login Items:\n\"Dropbox\"\n"));
    EXPECT_EQ(build.logins, QStringLiteral("\"Dropbox\""));
}

TEST(ProfileBuilder, StatusBlockWording)
{
    struct Case {
        const char* sipTitle;
        std::optional<QString> spctl;
        const char* expected;
    };
    const Case cases[] = {
        {"SIP: ON", QStringLiteral("assessments enabled"),
         "\nGatekeeper status: enabled for App Store and identified developers.\nSystem Integrity "
         "Protection: "
         "enabled.\n"},
        {"SIP: on", QStringLiteral("assessments DISABLED"),
         "\nGatekeeper status: disabled. Caution! Allowing apps downloaded from anywhere.\nSystem Integrity "
         "Protection: disabled.\n"},
        {"", std::nullopt, "\n \nSystem Integrity Protection: disabled.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sipTitle);
        Machine m;
        m.inputs.sipStateTitle = c.sipTitle;
        m.inputs.spctl = c.spctl;
        EXPECT_TRUE(m.build().report.text().contains(QString::fromUtf8(c.expected)));
    }
}

TEST(ProfileBuilder, FolderRowsCompareWithTheirSnapshotsAndSayWhatToStore)
{
    Machine m;
    const QString agents = kHome + "/Library/LaunchAgents";
    m.list(agents, {"keep.plist", "new.plist "});
    m.stored.folders.insert("previousUserLibraryLA", {"keep.plist ", "gone.plist"});
    m.stored.folders.insert("previousApps", {"Old.app"});
    m.folders.insert("/Users/Shared", FolderListing{FolderListing::State::Unreadable, {}});
    m.stored.folders.insert("previousShareds", {"Kept"});

    const ProfileBuild build = m.build();
    // User Launch Agents compare trimmed names but store the listing as it is.
    EXPECT_TRUE(build.report.text().contains("keep.plist \ngone.plist    --removed\nnew.plist    + added"));
    auto stored = [&](const char* key) -> std::optional<std::optional<QStringList>> {
        for (const auto& [k, v] : build.folderSnapshots) {
            if (k == QLatin1String(key))
                return v;
        }
        return std::nullopt;
    };
    EXPECT_EQ(stored("previousUserLibraryLA"),
              std::optional(std::optional(QStringList{"keep.plist", "new.plist "})));
    // A folder that is gone removes its key; an unreadable one keeps it (not listed at all).
    EXPECT_EQ(stored("previousApps"),
              std::optional<std::optional<QStringList>>(std::optional<QStringList>()));
    EXPECT_EQ(stored("previousShareds"), std::nullopt);
    EXPECT_EQ(build.removed, 2);
    EXPECT_EQ(build.added, 2); // new.plist and the login item
    EXPECT_EQ(watchedFolders(kHome).size(), 16);
    EXPECT_EQ(watchedFolders(kHome).first().folder, agents);
}

TEST(ProfileBuilder, TheLoginRowAddsNewNamesOnTheListingsLastLine)
{
    Machine m;
    m.stored.logins = QStringLiteral("\"Dropbox\"\n\"Skype\"");
    m.inputs.loginItems = QStringList{"\"Dropbox\"", "\"Spotify\""};
    const ProfileBuild build = m.build();
    EXPECT_TRUE(build.report.text().contains(
        "Login Items:\n\n\"Dropbox\"\n\"Skype\"    --removed\n\"Spotify\"    + added\n\nUser Launch Agents"));
    EXPECT_EQ(build.logins, QStringLiteral("\"Dropbox\"\n\"Spotify\""));
    EXPECT_EQ(build.records.size(), 2);

    // The script failed: the stored names stand, and nothing is recorded or stored.
    m.inputs.loginItems = std::nullopt;
    const ProfileBuild failed = m.build();
    EXPECT_TRUE(
        failed.report.text().contains("Login Items:\n\n\"Dropbox\"\n\"Skype\"\n \n\nUser Launch Agents"));
    EXPECT_EQ(failed.logins, std::nullopt);
    EXPECT_TRUE(failed.records.isEmpty());
}

TEST(ReportText, RecolouringARangeCutsTheRunsAroundIt)
{
    using C = ReportColour;
    struct Case {
        const char* name;
        qsizetype start;
        qsizetype length;
        QVector<StyledRun> runs;
    };
    // "aaaa" base, "bbbb" white, "cccc" green, recoloured yellow.
    const Case cases[] = {
        {"inside one run",
         5,
         2,
         {{0, 4, C::Base}, {4, 1, C::White}, {5, 2, C::Yellow}, {7, 1, C::White}, {8, 4, C::Green}}},
        {"across runs", 2, 8, {{0, 2, C::Base}, {2, 8, C::Yellow}, {10, 2, C::Green}}},
        {"a whole run", 4, 4, {{0, 4, C::Base}, {4, 4, C::Yellow}, {8, 4, C::Green}}},
        {"past the end", 10, 99, {{0, 4, C::Base}, {4, 4, C::White}, {8, 2, C::Green}, {10, 2, C::Yellow}}},
        {"empty", 3, 0, {{0, 4, C::Base}, {4, 4, C::White}, {8, 4, C::Green}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReportText report;
        report.append("aaaa");
        report.append("bbbb", C::White);
        report.append("cccc", C::Green);
        report.insertTextColor(C::Yellow, c.start, c.length);
        ASSERT_EQ(report.runs().size(), c.runs.size());
        for (qsizetype i = 0; i < c.runs.size(); ++i) {
            EXPECT_EQ(report.runs()[i].start, c.runs[i].start) << i;
            EXPECT_EQ(report.runs()[i].length, c.runs[i].length) << i;
            EXPECT_EQ(report.runs()[i].colour, c.runs[i].colour) << i;
        }
    }
    // Recolouring to the neighbours' colour joins them into one run.
    ReportText joined;
    joined.append("aa", C::White);
    joined.append("bb", C::Green);
    joined.append("cc", C::White);
    joined.insertTextColor(C::White, 2, 2);
    EXPECT_EQ(joined.runs().size(), 1);
}

} // namespace
