#include "profile/ProfileCommand.h"

#include "platform/JsonOutput.h"
#include "platform/TextEscape.h"
#include "profile/Profile.h"
#include "profile/ReportHtml.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>
#include <optional>

namespace trevalo {

namespace {

const char* const kLogsUsage = "trevalo: usage: trevalo logs [--json] [N | --delete]";

QString ansiColour(ReportColour colour)
{
    const ReportRgb c = reportRgb(colour);
    return QStringLiteral("\x1b[38;2;%1;%2;%3m").arg(c.red).arg(c.green).arg(c.blue);
}

} // namespace

QString terminalText(const ReportText& report, bool colour)
{
    if (!colour)
        return shownReportText(report.text());
    QString shown;
    report.forEachPiece(
        [&](QStringView text, ReportColour c) { shown += ansiColour(c) + shownReportText(text); });
    return shown + QStringLiteral("\x1b[0m");
}

int runProfileCommand(Profile& profile, const QStringList& args, bool colour, QTextStream& out,
                      QTextStream& err)
{
    std::optional<QString> pagePath;
    bool usageError = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--color"))
            colour = true;
        else if (arg == QLatin1String("--html") && i + 1 < args.size() && !pagePath)
            pagePath = args[++i];
        else if (arg.startsWith(QLatin1String("--html=")) && !pagePath)
            pagePath = arg.mid(7);
        else
            usageError = true;
    }
    if (usageError || (pagePath && pagePath->isEmpty())) {
        err << "trevalo: usage: trevalo profile [--color] [--html FILE]" << Qt::endl;
        return 2;
    }
    // The page's file is opened before the run, so that a folder that cannot take it costs no run.
    QSaveFile page(pagePath.value_or(QString()));
    if (pagePath && !page.open(QIODevice::WriteOnly)) {
        err << "trevalo: the page cannot be written to " << escapeField(*pagePath) << ": "
            << escapeField(page.errorString()) << Qt::endl;
        return 1;
    }
    const Profile::BlockingOutcome outcome = profile.runBlocking();
    if (!outcome.stored) {
        err << "trevalo: the profile could not be stored: " << escapeField(outcome.error) << Qt::endl;
        return 1;
    }
    const QString text = terminalText(profile.view().report, colour);
    out << text;
    if (!profile.view().report.text().endsWith(u'\n'))
        out << '\n';
    out.flush();
    if (pagePath) {
        page.write(reportPage(profile.view().report, profile.changeLogText()).toUtf8());
        if (!page.commit()) {
            err << "trevalo: the page could not be written to " << escapeField(*pagePath) << ": "
                << escapeField(page.errorString()) << Qt::endl;
            return 1;
        }
    }
    return 0;
}

int runChangesCommand(Profile& profile, const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty()) {
        out << shownReportText(profile.changeLogText()) << '\n';
        return 0;
    }
    if (args != QStringList{QStringLiteral("--delete")}) {
        err << "trevalo: usage: trevalo changes [--delete]" << Qt::endl;
        return 2;
    }
    if (!profile.removeChangeLog()) {
        out << "The change history is kept." << Qt::endl;
        return 1;
    }
    out << "The change history is deleted." << Qt::endl;
    return 0;
}

int runLogsCommand(Profile& profile, QStringList args, QTextStream& out, QTextStream& err)
{
    const bool json = takeJsonOption(args);
    auto summary = [&profile] {
        profile.logView();
        const ProfileView& view = profile.view();
        return QJsonObject{{"reports", view.reportCount},
                           {"size", view.logSize.isEmpty() ? QStringLiteral("0") : view.logSize}};
    };
    auto printSummary = [&](const QJsonObject& object) {
        if (json) {
            writeJson(out, object);
            return;
        }
        out << "Reports: " << object.value("reports").toInt() << '\n'
            << "Size: " << object.value("size").toString() << Qt::endl;
    };
    // A deletion's outcome: a line of text, or the "deleted" field of the object.
    auto printDeleted = [&](bool deleted, QJsonObject object = {}) {
        if (json) {
            object.insert("deleted", deleted);
            writeJson(out, object);
        } else {
            out << (deleted ? "The report log is deleted." : "The report log is kept.") << Qt::endl;
        }
    };
    if (args.isEmpty()) {
        printSummary(summary());
        return 0;
    }
    if (args.size() != 1) {
        err << kLogsUsage << Qt::endl;
        return 2;
    }
    if (args.first() == QLatin1String("--delete")) {
        if (!QFileInfo::exists(profile.hostPath(profile.reportLogPath()))) {
            err << "trevalo: there is no report log to delete" << Qt::endl;
            return 1;
        }
        if (!profile.deleteLogs(Profile::DeleteFrom::CommandLine)) {
            printDeleted(false);
            return 1;
        }
        if (!json)
            printDeleted(true);
        const Profile::BlockingOutcome outcome = profile.runBlocking();
        if (!outcome.stored) {
            if (json)
                printDeleted(true);
            err << "trevalo: the new profile could not be stored: " << escapeField(outcome.error) << Qt::endl;
            return 1;
        }
        if (json)
            printDeleted(true, summary());
        else
            printSummary(summary());
        return 0;
    }
    bool isNumber = false;
    const int number = args.first().toInt(&isNumber);
    if (!isNumber) {
        err << kLogsUsage << Qt::endl;
        return 2;
    }
    const std::optional<QString> report = profile.storedReport(number);
    if (!report) {
        err << "trevalo: the report log holds no report " << number << Qt::endl;
        return 1;
    }
    if (json) {
        writeJson(out, {{"number", number}, {"report", *report}});
        return 0;
    }
    out << shownReportText(*report);
    if (!report->endsWith(u'\n'))
        out << '\n';
    out.flush();
    return 0;
}

} // namespace trevalo
