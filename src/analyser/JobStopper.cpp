#include "analyser/JobStopper.h"

#include "platform/Log.h"

namespace trevalo {

namespace {

// These lines are read as the Analyser window's own and carry its operation names, not this class's.
constexpr char kUnloadProc[] = "-[TRAnalyser unloadProc]";
constexpr char kKillProcess[] = "-[TRAnalyser killProcess:]";

template <size_t N> bool containsAny(const QString& line, const std::array<QLatin1String, N>& words)
{
    for (const QLatin1String& word : words) {
        if (line.contains(word, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// osascript reports a failed script, a cancelled dialog or password prompt included, on its error
// output, which the result text never shows. Both streams make up the reply so a failure is seen on
// either.
bool scriptRunFailed(const QString& reply)
{
    return reply.contains(QLatin1String("error")) || reply.contains(QLatin1String("canceled"));
}

} // namespace

QString unloadDialogScript(const QString& label, const QString& owner)
{
    return QStringLiteral(
               "display dialog \"Trevalo would like to run osascript to scan for and stop the global "
               "process:\n\n<%1>\n\nbelonging to %2.\n\nThis requires an admin password.\" with "
               "title \"Trevalo\" with icon 2\ndo shell script \"launchctl remove %1\" with "
               "administrator privileges")
        .arg(label, owner);
}

QStringList jobLinesToStop(const QString& launchctlList)
{
    QStringList lines;
    for (const QString& line : launchctlList.split(QLatin1Char('\n'))) {
        if (!containsAny(line, kExcludedJobWords) && containsAny(line, kTargetJobWords))
            lines.append(line);
    }
    return lines;
}

std::optional<QString> jobLabelFromLine(const QString& line)
{
    for (const QLatin1String marker : {QLatin1String("\tc"), QLatin1String("\t[")}) {
        const qsizetype at = line.indexOf(marker);
        if (at >= 0)
            return line.mid(at + 1);
    }
    return std::nullopt;
}

JobStopper::JobStopper(Services services) : m_services(services) {}

void JobStopper::unloadProc()
{
    unloadLocalDaemons();
    unloadUserJobs();
}

void JobStopper::unloadLocalDaemons()
{
    // Kept on purpose: the row right after a successful stop is passed over, present or not, and is
    // offered at the next window load; the row after that is eligible again.
    int justStopped = 0;
    for (const LocalDaemon& daemon : kLocalDaemons) {
        if (!m_services.root.exists(daemon.file) || justStopped != 0) {
            justStopped = 0;
            continue;
        }
        const QString label = daemon.label;
        // The dialog and the password prompt wait for the user, however long that takes.
        const CommandRunner::ScriptOutcome run = m_services.runner.runScript(
            unloadDialogScript(label, daemon.owner), {}, CommandRunner::TimeLimit::None);
        QString reply = run.output;
        if (!run.error.isEmpty())
            reply += (reply.isEmpty() ? QString() : QStringLiteral("\n")) + run.error;
        TR_LOG_AS(kUnloadProc, "replystring says %1", reply);
        // A run that did not exit 0 (or was killed) stopped nothing, whatever it printed.
        if (!run.succeeded || scriptRunFailed(reply))
            continue;
        Alert alert;
        alert.informativeText =
            QStringLiteral("Trevalo stopped the following background processes in the LOCAL domain:\n%1")
                .arg(label);
        m_services.alerts.runModal(alert);
        ++justStopped;
    }
}

void JobStopper::unloadUserJobs()
{
    const QStringList lines =
        jobLinesToStop(m_services.runner.callSubsidTaskWithResult("/bin/launchctl", {"list"}));
    for (const QString& line : lines)
        TR_LOG_AS(kUnloadProc, "process will be stopped --> %1", line);
    if (lines.isEmpty())
        return;

    QStringList labels;
    for (const QString& line : lines) {
        if (const auto label = jobLabelFromLine(line))
            labels.append(*label);
    }
    if (labels.isEmpty())
        return;

    for (const QString& label : labels)
        killProcess(label);
    m_services.runner.callNSTask("/usr/bin/defaults", {"delete", "-app", "MacKeeper"});

    Alert alert;
    alert.informativeText =
        QStringLiteral("Trevalo stopped the following background processes in the USER domain:\n\n%1\n\n")
            .arg(labels.join(QLatin1Char('\n')));
    m_services.alerts.runModal(alert);
}

void JobStopper::killProcess(const QString& label)
{
    // Whether it worked changes nothing: a job that was already gone needs no stopping, and the log line
    // names what was asked.
    m_services.runner.callSubsidTaskWithResult("/bin/launchctl", {"remove", label});
    TR_LOG_AS(kKillProcess, "%1", QStringLiteral("Trevalo removed %1 from launchd").arg(label));
}

void JobStopper::killApp(const QString& name)
{
    m_services.runner.callSubsidTaskWithResult("/usr/bin/killall", {name});
}

} // namespace trevalo
