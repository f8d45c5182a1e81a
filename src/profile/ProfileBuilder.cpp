#include "profile/ProfileBuilder.h"

#include "profile/ReportDates.h"
#include "profile/ReportSources.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <array>

namespace trevalo {

namespace {

/// What a row of the report shows below its heading.
enum class Body {
    Folder,           ///< a watched folder, compared with its snapshot
    Sudoers,          ///< the sudoers file's dates
    None,             ///< a separator
    InstallerHistory, ///< the recent installer history
    Bluetooth,
    Network, ///< the hosts line and the network report
    Disk,
};

struct Row {
    const char16_t* heading;
    ReportColour headingColour;
    Body body;
    const char16_t* folder = nullptr; ///< relative to the home folder when `home`, else absolute
    bool home = false;
    const char* key = nullptr;
    SectionVariant variant = SectionVariant::Standard;
};

constexpr const char16_t* kSeparator =
    u"\n\n\n\n------------------------- \u25BC ------------------------- \n";
constexpr const char16_t* kLoginHeading = u"\n\nLogin Items:\n\n";

// The rows after the login items, in the report's order. The headings differ in small ways (two or
// three line feeds, "(path:" without a blank, a closing colon or slash) and stand as they are.
constexpr ReportColour kBlue = ReportColour::Base; // the report's base colour is light blue
const std::array kRows{
    Row{u"\n\nUser Launch Agents:\n(path: ~/Library/LaunchAgents/)\n\n", kBlue, Body::Folder,
        u"Library/LaunchAgents", true, "previousUserLibraryLA", SectionVariant::Trimmed},
    Row{u"\n\n\nUser Internet Plug-Ins:\n(path: ~/Library/Internet Plug-Ins/)\n\n", kBlue, Body::Folder,
        u"Library/Internet Plug-Ins", true, "previousUserIPI"},
    Row{u"\n\n\nUser Application Support:\n(path: ~/Library/Application Support/)\n\n", kBlue, Body::Folder,
        u"Library/Application Support", true, "previousUserLAS"},
    Row{u"\n\n\nSafari Extensions:\n(path: ~/Library/Safari/Extensions/)\n\n", kBlue, Body::Folder,
        u"Library/Safari/Extensions", true, "previousULSE"},
    Row{u"\n\n\nApplications folder:\n\n", kBlue, Body::Folder, u"/Applications", false, "previousApps"},
    Row{u"\n\n\nUsers Shared Folder:\n(path: /Users/Shared:)\n\n", kBlue, Body::Folder, u"/Users/Shared",
        false, "previousShareds"},
    Row{u"\n\nLocal Domain Library Folder (changes only)\n(path: /Library/)\n\n", kBlue, Body::Folder,
        u"/Library", false, "previousDomLibraryContents", SectionVariant::ChangesOnly},
    Row{u"\n\n\nLocal Domain Library Application Support\n(path: /Library/Application Support/)\n\n", kBlue,
        Body::Folder, u"/Library/Application Support", false, "previousDomLAS"},
    Row{u"\n\n\nLocal Domain Library Launch Agents\n(path: /Library/LaunchAgents/)\n\n", kBlue, Body::Folder,
        u"/Library/LaunchAgents", false, "previousDomLA"},
    Row{u"\n\n\nLocal Domain Library Launch Daemon\n(path: /Library/LaunchDaemons/)\n\n", kBlue, Body::Folder,
        u"/Library/LaunchDaemons", false, "previousDomLD"},
    Row{u"\n\n\nLocal Domain Library Internet Plug-Ins\n(path: /Library/Internet Plug-Ins/)\n\n", kBlue,
        Body::Folder, u"/Library/Internet Plug-Ins", false, "previousDomLIP"},
    Row{u"\n\n\nLocal Domain Library PrivilegedHelperTools\n(path: /Library/PrivilegedHelperTools/)\n\n",
        kBlue, Body::Folder, u"/Library/PrivilegedHelperTools", false, "previousDomPHT"},
    Row{u"\n\nLocal Domain Library Scripting Additions\n(path: /Library/ScriptingAdditions)\n\n", kBlue,
        Body::Folder, u"/Library/ScriptingAdditions", false, "previousScriptDefs",
        SectionVariant::BlankWhenNoneAdded},
    Row{u"\n\n\nLocal Domain Library StartupItems\n(path: /Library/StartupItems)\n\n", kBlue, Body::Folder,
        u"/Library/StartupItems", false, "previousDomSUI"},
    Row{u"\n\nSudo Permissions File:\n(path: /etc/sudoers)\n\n", kBlue, Body::Sudoers},
    Row{kSeparator, ReportColour::Green, Body::None},
    Row{u"\n\n\nInstaller History\n(path: /Library/Receipts/InstallHistory.plist)\nRecent items:\n\n",
        ReportColour::Green, Body::InstallerHistory},
    Row{u"\n\n\nSystem Launch Agents:\n(path:/System/Library/LaunchAgents/)\n\n", ReportColour::Green,
        Body::Folder, u"/System/Library/LaunchAgents", false, "previousSysLibLA"},
    Row{u"\n\n\nSystem Launch Daemons:\n(path:/System/Library/LaunchDaemons/)\n\n", ReportColour::Green,
        Body::Folder, u"/System/Library/LaunchDaemons", false, "previousSysLibLD"},
    Row{kSeparator, ReportColour::Orange, Body::None},
    Row{u"\n\n\nBluetooth Hardware Info:\n\n", ReportColour::Orange, Body::Bluetooth},
    Row{u"\n\n\nNetwork Info:\n\n", ReportColour::Orange, Body::Network},
    Row{kSeparator, ReportColour::Cyan, Body::None},
    Row{u"\n\n\nDisk Information:\n\n", ReportColour::Cyan, Body::Disk},
};

QString folderOf(const Row& row, const QString& home)
{
    const QString folder = QString::fromUtf16(row.folder);
    return row.home ? home + u'/' + folder : folder;
}

QString statusBlock(const ProfileInputs& in)
{
    return QStringLiteral("\n%1\n%2\n%3\n")
        .arg(reportsources::gatekeeperLine(in.spctl), reportsources::sipLine(in.sipStateTitle),
             reportsources::installerCheckLine(in.cleanupInstallerExists));
}

} // namespace

QList<WatchedFolder> watchedFolders(const QString& home)
{
    QList<WatchedFolder> folders;
    for (const Row& row : kRows) {
        if (row.body == Body::Folder)
            folders.append({QString::fromLatin1(row.key), folderOf(row, home)});
    }
    return folders;
}

QByteArray joinedUtf8(const QStringList& texts)
{
    qsizetype length = 0;
    for (const QString& text : texts)
        length += text.size();
    QStringEncoder toUtf8(QStringEncoder::Utf8);
    QByteArray bytes(toUtf8.requiredSpace(length), Qt::Uninitialized);
    char* end = bytes.data();
    for (const QString& text : texts)
        end = toUtf8.appendToBuffer(end, text);
    bytes.truncate(end - bytes.data());
    return bytes;
}

FolderListing readFolder(const QString& hostPath)
{
    FolderListing listing;
    const QFileInfo info(hostPath);
    if (!info.isDir())
        return listing;
    const QDir dir(info.filePath());
    if (!dir.isReadable()) {
        listing.state = FolderListing::State::Unreadable;
        return listing;
    }
    listing.state = FolderListing::State::Listed;
    listing.names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    return listing;
}

ProfileBuild buildProfile(int number, const ProfileInputs& in, const StoredSnapshots& stored,
                          const FolderReader& listFolder, const QString& home)
{
    ProfileBuild build;
    build.number = number;
    ReportText& report = build.report;

    const QString date = reportHeaderDate(in.runDate);
    report.append(QStringLiteral("Timestamp (%1):\n\n%2\n\n").arg(QString::number(number), date));
    report.insertTextColor(ReportColour::White, report.text().indexOf(date), date.size());
    report.setDisplayText(in.swVers, ReportColour::White);
    report.setDisplayText(statusBlock(in), ReportColour::White);

    auto take = [&build](const SectionOutcome& outcome) {
        build.records += outcome.records;
        build.removed += outcome.removed;
        build.added += outcome.added;
    };

    const QString loginHeading = QString::fromUtf16(kLoginHeading);
    report.setDisplayText(loginHeading);
    const LoginSectionOutcome logins =
        runLoginSection(report, stored.logins, in.loginItems, loginHeading, in.runDate);
    take(logins.section);
    build.logins = logins.snapshot;

    for (const Row& row : kRows) {
        report.setDisplayText(QString::fromUtf16(row.heading), row.headingColour);
        switch (row.body) {
        case Body::Folder: {
            const QString key = QString::fromLatin1(row.key);
            const QString folder = folderOf(row, home);
            const auto snapshot = stored.folders.constFind(key);
            const FolderListing listing = listFolder(folder);
            const SectionOutcome outcome = runFolderSection(
                report, snapshot == stored.folders.constEnd() ? std::nullopt : std::optional(*snapshot),
                listing, row.variant, folder, in.runDate);
            take(outcome);
            if (listing.state != FolderListing::State::Unreadable)
                build.folderSnapshots.append({key, outcome.snapshot});
            break;
        }
        case Body::Sudoers:
            report.append(reportsources::sudoersText(QStringLiteral("/etc/sudoers"), in.sudoersDates),
                          ReportColour::White);
            break;
        case Body::None:
            break;
        case Body::InstallerHistory:
            report.setDisplayText(reportsources::installerHistoryLines(in.installHistory).join(u'\n'),
                                  ReportColour::White);
            break;
        case Body::Bluetooth:
            report.setDisplayText(reportsources::blueToothInfo(in.bluetooth), ReportColour::White);
            break;
        case Body::Network:
            report.append(reportsources::hostsLine(in.wcHosts), ReportColour::White);
            report.setDisplayText(in.network, ReportColour::White);
            break;
        case Body::Disk:
            report.setDisplayText(in.storage, ReportColour::White);
            break;
        }
    }
    return build;
}

} // namespace trevalo
