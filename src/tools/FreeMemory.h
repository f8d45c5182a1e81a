#pragma once

#include "platform/CommandRunner.h"
#include "platform/Services.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

/// The machine's memory use and the purge of inactive memory, and the free memory panel's controller.
namespace trevalo {

/// The PhysMem line of one process-table sample, as a quoted text (run with "-s s").
inline constexpr const char* kMemoryScript =
    "do shell script \"echo \\\"$(top -l 1 | awk '/PhysMem/';)\\\"\"";
/// Asks for an administrator's name and password, then frees inactive memory.
inline constexpr const char* kPurgeScript = "do shell script \"purge\" with administrator privileges";
inline constexpr const char* kPurgeDone = "purge done";
inline constexpr const char* kPurgeCancelled = "purge cancelled";
/// How long the panel shows a purge's outcome.
inline constexpr std::chrono::seconds kPurgeMessageDuration{4};

/// The memory script's run.
CommandRunner::Request memoryRequest(const CommandRunner& runner);
/// The memory line ("getMemStatus") from the memory script's run: the result without its quotes; empty
/// when the script failed or gave no text.
QString memoryLine(const CommandRunner::Result& result);
/// The purge script's run: it waits for a person, so it has no time limit.
CommandRunner::Request purgeRequest(const CommandRunner& runner);
/// "purge done" when the purge ran, "purge cancelled" for every failure: a cancelled or refused
/// password prompt, a purge that failed, a script that could not run.
QString purgeOutcome(const CommandRunner::Result& result);

/// The free memory panel's controller: the memory line, the purge and its outcome message. Tools run
/// without blocking; the panel follows changed().
class TRFreeMemPanel : public QObject {
    Q_OBJECT
public:
    explicit TRFreeMemPanel(Services services, QObject* parent = nullptr);
    ~TRFreeMemPanel() override;

    /// Reads the memory line anew.
    void showMemoryUsage();
    /// Runs the purge ("purgeButton:"), then shows its outcome for 4 seconds and the memory line again.
    /// Ignored while a purge runs.
    void purgeButton();
    /// Empties the message ("resetMsg").
    void resetMsg();

    const QString& memoryUsage() const { return m_memoryUsage; }
    const QString& msg() const { return m_msg; }
    /// A memory reading is out.
    bool isReading() const { return m_memoryRead.has_value(); }
    /// The spinner turns from the purge's start until the memory line after it is in.
    bool isPurging() const { return m_purging; }

    /// For tests: a message that does not stay the full 4 seconds.
    void setMessageDuration(std::chrono::milliseconds duration) { m_reset.setInterval(duration); }

signals:
    void changed();

private:
    Services m_services;
    QString m_memoryUsage;
    QString m_msg;
    bool m_purging = false;
    QTimer m_reset;
    std::optional<RunHandle> m_purge;
    std::optional<RunHandle> m_memoryRead;
    quint64 m_memoryRound = 0;
};

} // namespace trevalo
