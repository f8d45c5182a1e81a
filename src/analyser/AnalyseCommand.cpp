#include "analyser/AnalyseCommand.h"

#include "analyser/ResultsTableModel.h"
#include "analyser/Scanner.h"
#include "analyser/Signatures.h"
#include "platform/JsonOutput.h"
#include "platform/TextEscape.h"

#include <QJsonArray>

namespace trevalo {

int runAnalyseCommand(QStringList args, const Services& services, QTextStream& out, QTextStream& err,
                      SignatureSource* signatures)
{
    auto usageError = [&err](const QString& message) {
        err << "trevalo analyse: " << message
            << " (usage: trevalo analyse [--json] [--stop-jobs] | trevalo analyse --ignore PATH | "
               "trevalo analyse --reset-ignored)"
            << Qt::endl;
        return 2;
    };
    auto storedOrError = [&err, &services](bool stored) {
        if (stored)
            return 0;
        err << "trevalo analyse: " << services.settings.errorString() << Qt::endl;
        return 1;
    };

    const bool json = takeJsonOption(args);
    if (!args.isEmpty()) {
        if (json)
            return usageError(QStringLiteral("--json goes with a scan"));
        const QString& option = args.first();
        if (option == QLatin1String("--reset-ignored")) {
            if (args.size() != 1)
                return usageError(QStringLiteral("--reset-ignored takes no value"));
            return storedOrError(resetWhitelist(services.settings));
        }
        QString path;
        if (option == QLatin1String("--ignore")) {
            if (args.size() != 2)
                return usageError(QStringLiteral("--ignore needs exactly one path"));
            path = args.at(1);
        } else if (option.startsWith(QLatin1String("--ignore="))) {
            if (args.size() != 1)
                return usageError(QStringLiteral("--ignore needs exactly one path"));
            path = option.mid(9);
        } else {
            return usageError(QStringLiteral("unknown argument %1").arg(option));
        }
        if (path.isEmpty())
            return usageError(QStringLiteral("--ignore needs a path"));
        return storedOrError(addToWhitelist(services.settings, path));
    }

    ResourceSignatures resources;
    Scanner scanner(services, signatures ? *signatures : resources);
    ScanResults results;
    const ScanOutcome outcome = scanner.analyser();
    applyScan(outcome, results);
    // The rows as the Analyser window's table lists them.
    ResultsTableModel table;
    table.load(results.foundItems, results.issues);
    if (json) {
        QJsonArray items;
        for (int i = 0; i < table.size(); ++i) {
            const ResultRow& row = table.row(i);
            items.append(QJsonObject{{"name", row.name}, {"issue", row.issue}, {"where", row.where}});
        }
        writeJson(out, {{"items", items},
                        {"backup", results.haveBackup},
                        {"warnings", QJsonArray::fromStringList(outcome.warnings)}});
        return 0;
    }
    for (int i = 0; i < table.size(); ++i) {
        const ResultRow& row = table.row(i);
        out << escapeField(row.name) << '\t' << escapeField(row.issue) << '\t' << escapeField(row.where)
            << '\n';
    }
    out << "Backup: " << (results.haveBackup ? "yes" : "no") << Qt::endl;
    for (const QString& warning : outcome.warnings)
        err << "Warning: " << escapeField(warning) << Qt::endl;
    return 0;
}

} // namespace trevalo
