#include "analyser/TRAnalyser.h"

#include "analyser/Analyser.h"
#include "analyser/AnalyserKeys.h"
#include "analyser/JobStopper.h"
#include "analyser/Scanner.h"
#include "analyser/ThreatClassifier.h"
#include "platform/Log.h"
#include "platform/TextEscape.h"

#include <QFile>

namespace trevalo {

namespace {

constexpr int kNoticeSeconds = 15;

// The Delete log lines are read by this operation name.
constexpr char kDeleteSelected[] = "-[TRAnalyser deleteSelected:]";

// Where the Keylogger advice's "More..." button leads, and the community named in the Performance advice.
const char* const kKeyloggerPage = "https://www.quorvex.com/trevalo2/help/keyloggers";
const char* const kCommunityHost = "discussions.apple.com";

const char* const kOpenDownloadsScript =
    "tell application \"Finder\"\nactivate\n(open folder \"Downloads\" of home)\nset current view of the "
    "front "
    "Finder window to list view\nset sort column of list view options of the front Finder window to kind "
    "column\nend tell";

QString adviceFor(const QString& issue, const QString& name, const QString& home)
{
    switch (issueKindOf(issue)) {
    case IssueKind::Adware: {
        const QString advice =
            name.contains(QLatin1String("osxDown"))
                ? QStringLiteral(
                      "\n\nClick the 'Reveal' button in the Analyser window and delete the folder "
                      "'%1' from the Finder and restart your Mac.\n\nIf you use Google Chrome browser "
                      "you may also need to delete:\n\n%2\n")
                      .arg(name, home + "/Library/Application Support/Google/Chrome/Default/Preferences")
                : QStringLiteral("TR2 recommends that you remove it from your system.");
        return QStringLiteral(
                   "Issue: %1\nItem: %2\n\nThis item has been identified by security researchers as "
                   "adware. %3")
            .arg(issue, name, advice);
    }
    case IssueKind::Malware:
        return QStringLiteral(
                   "Issue: %1\nItem: %2\n\nThis item has been identified by security researchers as "
                   "malware and should be removed.")
            .arg(issue, name);
    case IssueKind::Keylogger:
        return QStringLiteral(
                   "Issue: %1\nItem: %2\n\nTo see this file in the Finder you may need to turn on 'Invisible "
                   "Files' in the Trevalo menu first. Then click 'Reveal' in the Analyser window.\n\nThis "
                   "item "
                   "belongs to an app that records your keypresses, usually to record passwords, emails and "
                   "other "
                   "activity without your knowledge. Removing this file will NOT be sufficient to ensure the "
                   "keylogger has been removed. Seek professional help.\n\n")
            .arg(issue, name);
    case IssueKind::Performance: {
        const QString note =
            name.contains(QLatin1String(".3F"))
                ? QStringLiteral(
                      "\n\n -- This item belongs to the MacKeeper application and has been intentionally "
                      "hidden "
                      "from the user by MacKeeper's developers.\n\nTo see this file you must first turn on "
                      "'Invisible Files' in the Trevalo menu. Then click 'Reveal' in the Analyser window. "
                      "The "
                      "Finder will open with the file selected. You can then trash the file. After trashing "
                      "the "
                      "problem file, click 'Invisible Files' again in the Trevalo menu to turn the feature "
                      "off.\n")
                : QString();
        return QStringLiteral(
                   "Issue: %1\nItem: %2%3\n\nThis item or its parent app can make changes to your mac that "
                   "may "
                   "result in performance problems.\n\nIf your mac is suffering from slow response times, "
                   "excessive fan noise, heat or other unusual behaviour after installing or using the above "
                   "item, remove or uninstall it, along with any associated items shown in the "
                   "Analyser.\n\nBe "
                   "sure to follow the developer's instructions for uninstalling their software or seek "
                   "advice "
                   "from Apple Support Communities (%4) if in doubt.\n\nAlways make a backup of your entire "
                   "disk "
                   "before making changes. Restart your mac after removing this item.")
            .arg(issue, name, note, QString::fromLatin1(kCommunityHost));
    }
    case IssueKind::Detritus:
    case IssueKind::Unclassified:
        break;
    }
    {
        const QString advice =
            issue.contains(QLatin1String("n/a"), Qt::CaseInsensitive)
                ? QStringLiteral(
                      "TR2 recommends that this item be removed for security and/or performance "
                      "reasons. Contact Quorvex Support if you require further information on this item.")
                : QStringLiteral(
                      "This item is a remnant left over by an earlier software installation and is no "
                      "longer needed. It can safely be deleted.\n\nYou need to enable 'Invisible Files' "
                      "in the Trevalo 2 menu in order to see it in the Finder.");
        return QStringLiteral("Issue: %1\nItem: %2\n\n%3\n").arg(issue, name, advice);
    }
}

} // namespace

const char* const TRAnalyser::kDownloadsCountScript =
    "tell application \"System Events\"\nset theFolder to POSIX path of downloads folder as text\nset "
    "theFolder to "
    "quoted form of theFolder\nset numberOfFiles to paragraphs of (do shell script \"find \" &  theFolder & "
    "\" "
    "-name '*.dmg'\")\nend tell\nset c to count of numberOfFiles as text";

TRAnalyser::TRAnalyser(Analyser& owner, QObject* parent)
    : QObject(parent), m_owner(owner), m_services(owner.services())
{
    m_backup = owner.scanResults().haveBackup;
    m_resetTimer.setSingleShot(true);
    m_resetTimer.setInterval(kNoticeSeconds * 1000);
    connect(&m_resetTimer, &QTimer::timeout, this, &TRAnalyser::resetTxt);
}

TRAnalyser::~TRAnalyser() = default;

QString TRAnalyser::deleteScript(const QString& path)
{
    return QStringLiteral(
               "tell application \"Finder\"\nset x to POSIX file %1\ntry\nmove x to the trash\nreturn "
               "\"success\"\non error\nreturn \"fail\"\nend try\nend tell")
        .arg(appleScriptString(path));
}

TRAnalyser::BusyScope::BusyScope(TRAnalyser& controller) : m_controller(controller)
{
    ++m_controller.m_busyDepth;
}

TRAnalyser::BusyScope::~BusyScope()
{
    if (--m_controller.m_busyDepth == 0 && m_controller.m_retired)
        m_controller.deleteLater();
}

void TRAnalyser::retire()
{
    if (m_retired)
        return;
    m_retired = true;
    m_resetTimer.stop();
    emit retired();
    if (m_busyDepth == 0)
        deleteLater();
}

void TRAnalyser::windowDidLoad()
{
    const BusyScope busy(*this);
    m_ignoredPaths = m_services.settings.stringArrayForKey(keys::whitelist).value_or(QStringList());
    updateIgnoreLabel();
    doneCheckingVisible = false;
    loadTableData();
    if (!m_backup)
        backupWarning = QStringLiteral("Warning: no backup detected.");
    emit changed();
    unloadProc();
    // A newer window may have replaced this one while the job-stopping alerts were up.
    if (!m_retired)
        emit profileRequested();
}

void TRAnalyser::unloadProc()
{
    JobStopper(m_services).unloadProc();
}

void TRAnalyser::updateIgnoreLabel()
{
    ignoreLabel =
        m_ignoredPaths.isEmpty() ? QString() : QStringLiteral("⚠️%1").arg(m_ignoredPaths.size());
}

void TRAnalyser::loadTableData()
{
    const ScanResults& results = m_owner.scanResults();
    m_model.load(results.foundItems, results.issues);
    setStringIntValue();

    // The reply is read like a 32-bit integer: anything that is not a number counts 0.
    bool ok = false;
    const int count = callOSAScript(QString::fromUtf8(kDownloadsCountScript)).trimmed().toInt(&ok);
    if (!ok || count <= 0)
        return;
    downloads.count = count;
    downloads.label = QStringLiteral("contains: ");
    downloads.text = QStringLiteral("%1 %2").arg(count).arg(count == 1 ? "DMG" : "DMGs");
    downloads.colour = count >= 20 ? Colour::Red : Colour::Blue;
    emit changed();
}

void TRAnalyser::setStringIntValue()
{
    const int n = m_model.size();
    issueCount = QString::number(n);
    doneCheckingText = n > 0 ? QStringLiteral("Scan complete") : QStringLiteral("Scan complete   ✅");
    doneCheckingVisible = true;
    m_resetTimer.start();
    emit changed();
}

void TRAnalyser::resetTxt()
{
    doneCheckingVisible = false;
    emit changed();
}

void TRAnalyser::alert(const QString& informativeText, const QString& messageText)
{
    Alert a;
    a.messageText = messageText;
    a.informativeText = informativeText;
    m_services.alerts.runModal(a);
}

void TRAnalyser::doInfo(std::optional<int> row)
{
    const BusyScope busy(*this);
    if (!row) {
        alert(QStringLiteral(
            "Select an item first. Then click the 'Info' button to see more information about it.\n"));
        return;
    }
    const ResultRow& r = m_model.row(*row);
    Alert a;
    a.informativeText = adviceFor(r.issue, r.name, m_services.root.homeDir());
    if (issueKindOf(r.issue) == IssueKind::Keylogger)
        a.buttons << QStringLiteral("More...");
    if (m_services.alerts.runModal(a) == 1)
        m_services.workspace.open(QString::fromLatin1(kKeyloggerPage));
}

void TRAnalyser::revealInFinder(std::optional<int> row)
{
    const BusyScope busy(*this);
    if (!row) {
        alert(QStringLiteral(
            "Select an item first. Then click the 'Reveal' button (you can also double-click the "
            "item directly) to reveal the item in the Finder.\n"));
        return;
    }
    m_services.workspace.revealInFinder(m_model.row(*row).where);
}

void TRAnalyser::deleteSelected(std::optional<int> row)
{
    const BusyScope busy(*this);
    if (!row) {
        alert(QStringLiteral("Select an item first. Then click the 'Delete' button.\n"));
        return;
    }
    Alert confirm;
    confirm.informativeText =
        QStringLiteral("Are you sure you want to delete this item? This action cannot be undone.\n");
    confirm.buttons = QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")};
    if (m_services.alerts.runModal(confirm) == 0) {
        const QString path = m_model.row(*row).where;
        // The Finder may ask for a password first: no time limit. A run that failed, or said nothing,
        // deleted nothing.
        const CommandRunner::ScriptOutcome run =
            m_services.runner.runScript(deleteScript(path), {}, CommandRunner::TimeLimit::None);
        if (!run.succeeded || !run.output.contains(QLatin1String("success"), Qt::CaseInsensitive) ||
            run.output.contains(QLatin1String("fail"), Qt::CaseInsensitive)) {
            TR_LOG_AS(kDeleteSelected, "Trevalo is unable to delete the file %1", path);
            alert(QStringLiteral(
                      "Trevalo is unable to delete this item.\n\nYou can remove this item manually by "
                      "selecting the item in the Analyser and clicking the 'Reveal' button. Drag the "
                      "item to the Trash from the resulting Finder window.\n\nIf the item does not "
                      "display in the Finder, click 'Invisible Files' in Trevalo' menu and double-click "
                      "the item in the Analyser again."),
                  QStringLiteral("Trevalo"));
        } else {
            TR_LOG_AS(kDeleteSelected, "File '%1' deleted with owner's permission.", path);
        }
    }
    rescan();
}

void TRAnalyser::ignore(std::optional<int> row)
{
    const BusyScope busy(*this);
    if (!row) {
        alert(QStringLiteral(
            "Select an item to ignore first. Then click the 'Ignore' button to remove it from the "
            "list of results.\n"));
        return;
    }
    // Only this one entry is added: the stored list may have gained others since this window read it.
    if (!addToWhitelist(m_services.settings, m_model.row(*row).where)) {
        alertWhitelistUnchanged();
        return;
    }
    m_ignoredPaths = m_services.settings.stringArrayForKey(keys::whitelist).value_or(QStringList());
    m_model.removeRowAt(*row);
    updateIgnoreLabel();
    setStringIntValue();
}

void TRAnalyser::reset()
{
    const BusyScope busy(*this);
    if (!resetWhitelist(m_services.settings)) {
        alertWhitelistUnchanged();
        return;
    }
    m_ignoredPaths.clear();
    ignoreLabel.clear();
    rescan();
}

void TRAnalyser::alertWhitelistUnchanged()
{
    alert(QStringLiteral("The list of ignored items was not changed.\n\n%1")
              .arg(m_services.settings.errorString()));
}

void TRAnalyser::rescan()
{
    m_model.clear();
    emit changed();
    // The scan replaces this window, so it runs once the action has returned.
    Analyser* owner = &m_owner;
    QTimer::singleShot(0, owner, [owner] { owner->analyser(); });
}

void TRAnalyser::openDownloadsFolder()
{
    callOSAScriptNull(QString::fromUtf8(kOpenDownloadsScript));
}

void TRAnalyser::copyEntirety(const QString& reportText)
{
    copyToClipboard(reportText);
}

void TRAnalyser::copyToClipboard(const QString& text)
{
    m_services.clipboard.setText(QStringLiteral("Trevalo 2 Analyser:\n\n") + text);
}

QString TRAnalyser::callOSAScript(const QString& script)
{
    return m_services.runner.callOSAScriptForAnalyser(script);
}

void TRAnalyser::callOSAScriptNull(const QString& script)
{
    m_services.runner.callOSAScriptNull(script);
}

QString TRAnalyser::callNSAppleScript(const QString& script)
{
    return m_services.runner.callNSAppleScriptQuietly(script);
}

} // namespace trevalo
