#pragma once

#include "platform/Services.h"

#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace trevalo {

/// A system-wide daemon of an unwanted product: the file whose presence gives it away, the job label
/// to remove and the product named in the prompt.
struct LocalDaemon {
    QLatin1String file;
    QLatin1String label;
    QLatin1String owner;
};

/// Tried in this order. Some files really have no ".plist" ending: that is how the products install
/// them.
inline constexpr std::array<LocalDaemon, 7> kLocalDaemons{{
    {QLatin1String("/Library/LaunchDaemons/com.zeobit.MacKeeper.AntiVirus"),
     QLatin1String("com.zeobit.MacKeeper.AntiVirus"), QLatin1String("MacKeeper")},
    {QLatin1String("/Library/LaunchDaemons/com.mackeeper.AntiVirus.plist"),
     QLatin1String("com.mackeeper.AntiVirus"), QLatin1String("MacKeeper")},
    {QLatin1String("/Library/LaunchDaemons/com.zeobit.MacKeeper.plugin.AntiTheft.daemon"),
     QLatin1String("com.zeobit.MacKeeper.plugin.AntiTheft"), QLatin1String("MacKeeper")},
    {QLatin1String("/Library/LaunchDaemons/com.mackeeper.MacKeeper.plugin.AntiTheft.daemon"),
     QLatin1String("com.mackeeper.MacKeeper.plugin.AntiTheft"), QLatin1String("MacKeeper")},
    {QLatin1String("/Library/LaunchDaemons/com.mackeeper.plugin.AntiTheft.daemon"),
     QLatin1String("com.mackeeper.plugin.AntiTheft"), QLatin1String("MacKeeper")},
    {QLatin1String("/Library/LaunchDaemons/logKext.plist"), QLatin1String("com.fsb.kext.logKext"),
     QLatin1String("LogKext")},
    {QLatin1String("/Library/LaunchDaemons/com.iobit.AMCDaemon.plist"), QLatin1String("com.iobit.AMCDaemon"),
     QLatin1String("MacBooster")},
}};

/// A user job line holding any of these (ignoring case) is never touched, whatever else it names.
inline constexpr std::array<QLatin1String, 5> kExcludedJobWords{
    QLatin1String("apple"), QLatin1String("anonymous"), QLatin1String("Trevalo"), QLatin1String("startx"),
    QLatin1String("openbsd.ssh")};

/// Of the remaining user job lines, one holding any of these (ignoring case) is stopped.
inline constexpr std::array<QLatin1String, 2> kTargetJobWords{QLatin1String("mackeeper"),
                                                              QLatin1String("macbooster")};

/// The dialog that asks before a system daemon is removed; on its default button the removal runs with
/// administrator privileges, so the system asks for a password next.
QString unloadDialogScript(const QString& label, const QString& owner);

/// The lines of a `launchctl list` output that name a job to stop, in order.
QStringList jobLinesToStop(const QString& launchctlList);

/// The job label of a `launchctl list` line: what follows the first tab that is followed by a lower-case
/// "c", or else by "["; none for any other line (an upper-case label, say).
std::optional<QString> jobLabelFromLine(const QString& line);

/// Stops the background jobs of known unwanted products. Runs each time the Analyser window has loaded.
class JobStopper {
public:
    explicit JobStopper(Services services);

    /// The LOCAL pass over the daemon table, then the USER pass over the user's own jobs.
    void unloadProc();
    /// Removes the job from the user's launchd domain and logs it.
    void killProcess(const QString& label);
    /// Ends every process of that name.
    void killApp(const QString& name);

private:
    void unloadLocalDaemons();
    void unloadUserJobs();

    Services m_services;
};

} // namespace trevalo
