#include "tools/ToolsCommand.h"

#include "platform/TextEscape.h"
#include "tools/Tools.h"

#include <QTextStream>

namespace trevalo {

int runIpCommand(Tools& tools, const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!args.isEmpty()) {
        err << "trevalo: usage: trevalo ip" << Qt::endl;
        return 2;
    }
    const AddressReadings readings = tools.readAddressesBlocking();
    // The fields without the window's alignment blank and the scripts' line feed; whatever a tool printed
    // stays on its one line.
    auto line = [&](const char* label, const QString& field) {
        out << label << ": " << escapeField(field.trimmed()) << '\n';
    };
    line("External", readings.externalIP);
    line("Router", readings.routerAddress);
    line("Local", readings.localNode);
    out.flush();
    if (!readings.problem.isEmpty()) {
        err << "trevalo: " << readings.problem << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace trevalo
