#include "tools/FreeMemory.h"

#include "platform/Log.h"

namespace trevalo {

CommandRunner::Request memoryRequest(const CommandRunner& runner)
{
    return runner.scriptRequest(QString::fromUtf8(kMemoryScript), {"-s", "s"});
}

QString memoryLine(const CommandRunner::Result& result)
{
    const CommandRunner::ScriptOutcome outcome = CommandRunner::scriptOutcome(result);
    const QString& display = outcome.output;
    if (!outcome.succeeded || display.size() < 2 || !display.startsWith(u'"') || !display.endsWith(u'"'))
        return QStringLiteral("");
    return display.mid(1, display.size() - 2);
}

CommandRunner::Request purgeRequest(const CommandRunner& runner)
{
    return runner.scriptRequest(QString::fromUtf8(kPurgeScript), {}, CommandRunner::TimeLimit::None);
}

QString purgeOutcome(const CommandRunner::Result& result)
{
    return QString::fromLatin1(result.succeeded() ? kPurgeDone : kPurgeCancelled);
}

TRFreeMemPanel::TRFreeMemPanel(Services services, QObject* parent) : QObject(parent), m_services(services)
{
    // One timer for every message: a second purge within the 4 seconds starts them again, so the newer
    // message gets its full time.
    m_reset.setSingleShot(true);
    m_reset.setInterval(kPurgeMessageDuration);
    connect(&m_reset, &QTimer::timeout, this, &TRFreeMemPanel::resetMsg);
}

TRFreeMemPanel::~TRFreeMemPanel()
{
    for (const std::optional<RunHandle>& handle : {m_purge, m_memoryRead}) {
        if (handle)
            handle->cancel();
    }
}

void TRFreeMemPanel::showMemoryUsage()
{
    if (m_memoryRead)
        m_memoryRead->cancel();
    const quint64 round = ++m_memoryRound;
    CommandRunner& runner = m_services.runner;
    m_memoryRead = runner.start(memoryRequest(runner), this, nullptr,
                                [this, round](const CommandRunner::Result& result) {
                                    if (round != m_memoryRound)
                                        return;
                                    m_memoryRead.reset();
                                    const QString line = memoryLine(result);
                                    if (line.isEmpty())
                                        TR_LOG("The memory use could not be read");
                                    m_memoryUsage = line;
                                    // A purge ends with the first memory line read after it.
                                    if (!m_purge)
                                        m_purging = false;
                                    emit changed();
                                });
}

void TRFreeMemPanel::purgeButton()
{
    if (m_purging)
        return;
    m_purging = true;
    emit changed();
    CommandRunner& runner = m_services.runner;
    m_purge = runner.start(purgeRequest(runner), this, nullptr, [this](const CommandRunner::Result& result) {
        m_purge.reset();
        m_msg = purgeOutcome(result);
        if (!result.succeeded())
            TR_LOG("The purge did not run: %1", CommandRunner::scriptOutcome(result).error);
        m_reset.start();
        emit changed();
        // The memory line is read anew whatever the outcome; the spinner stops when it is in.
        showMemoryUsage();
    });
}

void TRFreeMemPanel::resetMsg()
{
    m_reset.stop();
    if (m_msg.isEmpty())
        return;
    m_msg.clear();
    emit changed();
}

} // namespace trevalo
