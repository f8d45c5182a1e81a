#include "profile/Profile.h"

#include "platform/Log.h"
#include "profile/ProfileKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <limits>

namespace trevalo {

namespace {

const char* const kLoginItemsScript = "tell application \"System Events\" to name of every login item";
const char* const kGatekeeperScript = "do shell script \"spctl --status --verbose\"";

/// A tool's standard output; a tool that failed, was ended or could not start printed nothing.
QString outputOf(const CommandRunner::Result& result)
{
    return result.succeeded() ? decodeUtf8(result.output) : QString();
}

QByteArray readWhole(const QString& hostPath)
{
    QFile file(hostPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Appends to a file, or writes it anew (atomically) when it does not exist, making its folder.
bool appendToFile(const QString& hostPath, const QByteArray& bytes)
{
    QFile existing(hostPath);
    if (existing.exists()) {
        if (!existing.open(QIODevice::Append))
            return false;
        return existing.write(bytes) == bytes.size() && existing.flush();
    }
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QSaveFile file(hostPath);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

struct Profile::Run {
    ProfileInputs inputs;
    QList<RunHandle> handles;
    int pending = 0;
};

Profile::Profile(Services services, QObject* parent) : QObject(parent), m_services(services) {}

Profile::~Profile()
{
    cancel();
}

QString Profile::reportLogPath() const
{
    return m_services.root.supportFolder() + u'/' + QString::fromLatin1(reportlog::kReportLogName);
}

QString Profile::changeLogPath() const
{
    return m_services.root.supportFolder() + u'/' + QString::fromLatin1(reportlog::kChangeLogName);
}

QList<Profile::ToolCall> Profile::toolCalls() const
{
    using Result = CommandRunner::Result;
    CommandRunner& runner = m_services.runner;
    const Clock& clock = m_services.clock;
    auto tool = [](const char* path, QStringList arguments) {
        return CommandRunner::Request{.launchPath = QString::fromLatin1(path),
                                      .arguments = std::move(arguments)};
    };
    return {
        {runner.scriptRequest(QString::fromLatin1(kLoginItemsScript), {"-s", "s"}),
         [&clock](ProfileInputs& in, const Result& r) {
             const CommandRunner::ScriptOutcome outcome = CommandRunner::scriptOutcome(r);
             if (outcome.succeeded)
                 in.loginItems = loginItemNames(CommandRunner::analyserDisplayText(outcome.output));
             else
                 TR_LOG("The login items could not be read: %1", outcome.error);
             // The run's date: once the login items are read.
             in.runDate = clock.now();
         }},
        {tool("/usr/bin/sw_vers", {}), [](ProfileInputs& in, const Result& r) { in.swVers = outputOf(r); }},
        {runner.scriptRequest(QString::fromLatin1(kGatekeeperScript)),
         [](ProfileInputs& in, const Result& r) {
             const QString text = CommandRunner::appleScriptResult(CommandRunner::scriptOutcome(r));
             in.spctl = text.isNull() ? std::nullopt : std::optional(text);
         }},
        {tool("/usr/bin/wc", {"-l", "/etc/hosts"}),
         [](ProfileInputs& in, const Result& r) { in.wcHosts = outputOf(r); }},
        {tool("/bin/bash", {"-c", "system_profiler SPBluetoothDataType 2> /dev/null"}),
         [](ProfileInputs& in, const Result& r) { in.bluetooth = outputOf(r); }},
        {tool("/usr/sbin/system_profiler", {"SPNetworkDataType"}),
         [](ProfileInputs& in, const Result& r) { in.network = outputOf(r); }},
        {tool("/usr/sbin/system_profiler", {"SPStorageDataType"}),
         [](ProfileInputs& in, const Result& r) { in.storage = outputOf(r); }},
    };
}

void Profile::readFiles(ProfileInputs& in) const
{
    const SystemRoot& root = m_services.root;
    // The run writes into the support folder, as start-up would have made it: a run that made it itself
    // would find its own folder as a change in the user's Application Support on the next run.
    QDir().mkpath(root.host(root.supportFolder()));
    in.sipStateTitle = m_sipStateTitle ? m_sipStateTitle() : QString();
    in.cleanupInstallerExists =
        QFileInfo::exists(root.host("/macOS Install Data/Locked Files/cleanup_installer"));
    in.sudoersDates = readFileDates(root.host("/etc/sudoers"));
    in.installHistory = readWhole(root.host("/Library/Receipts/InstallHistory.plist"));
}

std::optional<ProfileBuild> Profile::commit(const ProfileInputs& inputs, QString& error)
{
    const SystemRoot& root = m_services.root;
    Settings& settings = m_services.settings;
    const QString home = root.homeDir();
    const FolderReader listFolder = [&root](const QString& macPath) {
        return readFolder(root.host(macPath));
    };

    std::optional<ProfileBuild> build;
    const bool stored = settings.transact([&] {
        const qint64 storedNumber = settings.integerForKey(keys::timestampInt);
        reportlog::RunNumber number{int(storedNumber) + 1, false};
        if (storedNumber < 1 || storedNumber >= std::numeric_limits<int>::max()) {
            // Only a run without a number needs the log to know where numbering stands.
            const reportlog::ReportLogIndex log(QString::fromUtf8(readWhole(root.host(reportLogPath()))));
            number = reportlog::nextRunNumber(std::nullopt, log);
        }

        StoredSnapshots snapshots;
        for (const WatchedFolder& watched : watchedFolders(home)) {
            if (const std::optional<QStringList> list = settings.stringArrayForKey(watched.key))
                snapshots.folders.insert(watched.key, *list);
        }
        if (settings.contains(keys::previousLogins))
            snapshots.logins = settings.stringForKey(keys::previousLogins);

        build = buildProfile(number.number, inputs, snapshots, listFolder, home);

        if (!build->records.isEmpty() &&
            !appendToFile(root.host(changeLogPath()), joinedUtf8(build->records)))
            TR_LOG("The change log %1 could not be written", changeLogPath());
        // The very first run's report is discarded (the run is made again), so it is never written: a log
        // already there holds no report the program can read, and is the user's to keep.
        if (!number.firstRun && !appendToFile(root.host(reportLogPath()), build->report.text().toUtf8()))
            TR_LOG("The report log %1 could not be written", reportLogPath());

        for (const auto& [key, list] : std::as_const(build->folderSnapshots)) {
            if (list)
                settings.setStringArray(key, *list);
            else
                settings.remove(key);
        }
        if (build->logins)
            settings.setString(keys::previousLogins, *build->logins);
        settings.setString(keys::lastAnalyserRun,
                           QLocale::c().toString(inputs.runDate, QStringLiteral("dd/MM/yy HH:mm")));
        settings.setInteger(keys::timestampInt, build->number);
        return true;
    });
    if (!stored) {
        error = settings.errorString();
        return std::nullopt;
    }
    return build;
}

void Profile::runProfiler()
{
    if (m_run) {
        m_runAgain = true;
        return;
    }
    m_view.indicatorVisible = false;
    emit viewChanged();
    startRun();
}

void Profile::startRun()
{
    auto run = std::make_shared<Run>();
    m_run = run;
    readFiles(run->inputs);
    const QList<ToolCall> calls = toolCalls();
    run->pending = int(calls.size());
    emit runningChanged(true);
    // The tools run side by side; the report is built when the last one has answered.
    for (const ToolCall& call : calls) {
        run->handles.append(m_services.runner.start(
            call.request, this, nullptr, [this, run, take = call.take](const CommandRunner::Result& result) {
                if (m_run != run)
                    return; // cancelled
                take(run->inputs, result);
                if (--run->pending == 0)
                    finishRun(run->inputs);
            }));
    }
}

void Profile::finishRun(const ProfileInputs& inputs)
{
    const std::shared_ptr<Run> keep = m_run; // the inputs live in it
    QString error;
    const std::optional<ProfileBuild> build = commit(inputs, error);
    if (!build) {
        m_run.reset();
        emit runFailed(QStringLiteral("The profile could not be stored: %1").arg(error));
        emit runningChanged(false);
        return;
    }
    if (build->number == 1) {
        // The very first run: its records stay, its report goes, and the run is made again as number 2.
        deleteLogs(DeleteFrom::FirstRun);
        startRun();
        return;
    }
    m_run.reset();
    showLive(*build);
    if (m_runAgain) {
        m_runAgain = false;
        startRun();
        return;
    }
    emit runningChanged(false);
}

void Profile::cancel()
{
    if (!m_run)
        return;
    const std::shared_ptr<Run> run = std::move(m_run);
    m_runAgain = false;
    for (const RunHandle& handle : std::as_const(run->handles))
        handle.cancel();
    emit runningChanged(false);
}

Profile::BlockingOutcome Profile::runBlocking()
{
    BlockingOutcome outcome;
    for (;;) {
        ProfileInputs inputs;
        readFiles(inputs);
        for (const ToolCall& call : toolCalls())
            call.take(inputs, m_services.runner.run(call.request));
        const std::optional<ProfileBuild> build = commit(inputs, outcome.error);
        if (!build)
            return outcome;
        if (build->number == 1) {
            deleteLogs(DeleteFrom::FirstRun);
            continue;
        }
        showLive(*build);
        outcome.stored = true;
        outcome.number = build->number;
        return outcome;
    }
}

void Profile::showLive(const ProfileBuild& build)
{
    m_view.report = build.report;
    ++m_view.revision;
    m_view.fromLog = false;
    m_view.indicatorVisible = false;
    const int changes = build.removed + build.added;
    m_view.changesCount = QString::number(changes);
    m_view.addedCount = QString::number(build.added);
    m_view.removedCount = QString::number(build.removed);
    m_view.warningChanges = changes > 0 ? QStringLiteral("\u26A0\uFE0F") : QString();
    logView();
    if (m_log)
        m_view.logCount = QString::number(m_view.reportCount);
    emit viewChanged();
}

const reportlog::ReportLogIndex* Profile::logIndex()
{
    const QFileInfo info(m_services.root.host(reportLogPath()));
    if (!info.exists()) {
        m_log.reset();
        return nullptr;
    }
    // The log only grows between runs; while its size and date stand, the index read last stands too.
    if (!m_log || info.size() != m_logSize || info.lastModified() != m_logModified) {
        m_log.emplace(QString::fromUtf8(readWhole(info.filePath())));
        m_logSize = info.size();
        m_logModified = info.lastModified();
    }
    return &*m_log;
}

void Profile::logView(std::optional<reportlog::LogStep> step)
{
    const int shown = reportlog::returnTimestampInt(m_view.report.text());
    const reportlog::ReportLogIndex* log = logIndex();
    if (!log)
        return;
    m_view.logSize = reportlog::humanReadableFileSize(m_logSize);
    m_view.reportCount = log->reportCount();
    if (step) {
        const std::optional<reportlog::NavigatedReport> shownNext =
            reportlog::navigate(*step, shown, m_view.indicator.toInt(), m_view.logCount.toInt(), *log);
        if (shownNext) {
            if (*step == reportlog::LogStep::Previous) {
                m_view.indicatorVisible = true;
                m_view.staticLogText = QStringLiteral("Log Num:");
            }
            m_view.indicator = QString::number(shownNext->indicator);
            m_view.report = ReportText();
            m_view.report.append(shownNext->text);
            ++m_view.revision;
            m_view.fromLog = true;
        }
    }
    emit viewChanged();
}

std::optional<QString> Profile::storedReport(int number)
{
    const reportlog::ReportLogIndex* log = logIndex();
    return log ? log->report(number) : std::nullopt;
}

void Profile::openConsole()
{
    m_services.runner.callNSTask(QStringLiteral("/usr/bin/open"), {reportLogPath()});
}

bool Profile::removeReportLog()
{
    const QString host = m_services.root.host(reportLogPath());
    if (!QFileInfo::exists(host))
        return false;
    QFile::remove(host);
    m_log.reset();
    m_view.logSize = QStringLiteral("0");
    m_view.logCount = QStringLiteral("0");
    m_view.reportCount = 0;
    return true;
}

bool Profile::deleteLogs(DeleteFrom from)
{
    if (from == DeleteFrom::FirstRun) {
        // The first run wrote no report: nothing to delete, and a log that was there stays.
        m_log.reset();
        emit viewChanged();
        return true;
    }
    if (m_run)
        return false; // one run at a time: the controls wait for the run in flight
    const Alert alert{.informativeText = QStringLiteral(
                          "Are you sure you want to delete all existing Trevalo logs? This will "
                          "mean you cannot review your earlier system profiles."),
                      .buttons = {QStringLiteral("Delete"), QStringLiteral("Cancel")}};
    if (m_services.alerts.runModal(alert) != 0)
        return false;
    if (!removeReportLog())
        return false;
    emit viewChanged();
    // The run number starts afresh: the next run is the first one, which is made again as number 2.
    if (!m_services.settings.update(QString::fromLatin1(keys::timestampInt),
                                    [](const QVariant&) { return QVariant(); }))
        TR_LOG("The run number could not be reset: %1", m_services.settings.errorString());
    if (from == DeleteFrom::Window)
        runProfiler();
    return true;
}

bool Profile::removeChangeLog()
{
    const Alert alert{.informativeText =
                          QStringLiteral("Are you sure you want to delete all changes history?"),
                      .buttons = {QStringLiteral("OK"), QStringLiteral("Cancel")}};
    if (m_services.alerts.runModal(alert) != 0)
        return false;
    const QString host = m_services.root.host(changeLogPath());
    if (QFileInfo::exists(host))
        QFile::remove(host);
    m_view.warningChanges.clear();
    emit changeLogRemoved();
    emit viewChanged();
    return true;
}

void Profile::clearWarning()
{
    if (m_view.warningChanges.isEmpty())
        return;
    m_view.warningChanges.clear();
    emit viewChanged();
}

QString Profile::changeLogText() const
{
    return reportlog::defaultSearchForALog(m_services.root.host(changeLogPath()));
}

} // namespace trevalo
