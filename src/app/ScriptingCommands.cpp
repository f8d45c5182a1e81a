#include "app/ScriptingCommands.h"

#include "app/InstanceChannel.h"
#include "platform/TextEscape.h"

namespace trevalo {

namespace {

using namespace std::chrono_literals;

/// A scan and a profile run: the profile's tools have a time limit of their own (60 s each, side by
/// side), and the scan's alerts wait for the user.
constexpr auto kRunAnalyserLimit = 10min;

} // namespace

int runScriptingCommand(const QString& request, const SystemRoot& root, QTextStream& out, QTextStream& err,
                        const std::function<QString()>& storedLastRun)
{
    const auto limit =
        request == QLatin1String(instance::runAnalyser) ? kRunAnalyserLimit : instance::kAnswerLimit;
    const instance::Answer answer = instance::ask(instance::channelName(root), request, limit);
    switch (answer.status) {
    case instance::Answer::Status::Ok:
        if (request == QLatin1String(instance::lastRun))
            out << answer.text << Qt::endl;
        return 0;
    case instance::Answer::Status::NotRunning:
        if (request == QLatin1String(instance::lastRun)) {
            out << escapeField(storedLastRun()) << Qt::endl;
            return 0;
        }
        err << "Trevalo 2 is not running" << Qt::endl;
        return 1;
    case instance::Answer::Status::Failed:
        err << "trevalo: " << answer.text << Qt::endl;
        return 1;
    case instance::Answer::Status::NoAnswer:
        break;
    }
    err << "trevalo: Trevalo 2 did not answer " << request << " within "
        << std::chrono::duration_cast<std::chrono::seconds>(limit).count() << " s" << Qt::endl;
    return 1;
}

} // namespace trevalo
