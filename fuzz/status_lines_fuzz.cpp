// The Gatekeeper and System Integrity Protection lines from any spctl result and any menu title: always
// one of their fixed texts.

#include "FuzzCheck.h"
#include "profile/ReportSources.h"

#include <QSet>

using namespace trevalo::reportsources;
using trevalo::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QSet<QString> gatekeeperLines{
        QStringLiteral("Gatekeeper status: disabled. Caution! Allowing apps downloaded from anywhere."),
        QStringLiteral("Gatekeeper status: enabled for App Store only."),
        QStringLiteral("Gatekeeper status: enabled for App Store and identified developers."),
    };
    const QString input = trevalo::fuzz::text(data, size);
    const QString gatekeeper = gatekeeperLine(input);
    require(gatekeeperLines.contains(gatekeeper), "a Gatekeeper line", gatekeeper);
    require(gatekeeperLine(std::nullopt) == u" ", "no result is a blank");
    const QString sip = sipLine(input);
    require(sip == (input.contains(u"ON") ? QStringLiteral("System Integrity Protection: enabled.")
                                          : QStringLiteral("System Integrity Protection: disabled.")),
            "a SIP line", sip);
    return 0;
}
