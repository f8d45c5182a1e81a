#include "profile/ProfileCommand.h"

#include "platform/TextEscape.h"
#include "profile/Profile.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace trevalo {

namespace {

QString escapedKeepingLines(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control && c != u'\n' && c != u'\t')
            shown += escapeField(QString(c));
        else
            shown += c;
    }
    return shown;
}

QString ansiColour(ReportColour colour)
{
    struct Rgb {
        int r, g, b;
    };
    static const Rgb rgb[] = {{51, 204, 255}, {255, 255, 255}, {255, 255, 0}, {255, 128, 0},
                              {255, 0, 255},  {0, 255, 0},     {0, 255, 255}};
    const Rgb& c = rgb[int(colour)];
    return QStringLiteral("\x1b[38;2;%1;%2;%3m").arg(c.r).arg(c.g).arg(c.b);
}

} // namespace

QString terminalText(const ReportText& report, bool colour)
{
    const QString& text = report.text();
    if (!colour)
        return escapedKeepingLines(text);
    QString shown;
    qsizetype written = 0;
    auto piece = [&](qsizetype from, qsizetype length, ReportColour c) {
        shown += ansiColour(c) + escapedKeepingLines(QStringView(text).mid(from, length));
    };
    for (const StyledRun& run : report.runs()) {
        if (run.start > written)
            piece(written, run.start - written, ReportColour::Base);
        piece(run.start, run.length, run.colour);
        written = run.start + run.length;
    }
    if (written < text.size())
        piece(written, text.size() - written, ReportColour::Base);
    return shown + QStringLiteral("\x1b[0m");
}

int runProfileCommand(Profile& profile, QStringList args, bool colour, QTextStream& out, QTextStream& err)
{
    if (args.removeAll(QStringLiteral("--color")) > 0)
        colour = true;
    if (!args.isEmpty()) {
        err << "trevalo: usage: trevalo profile [--color]" << Qt::endl;
        return 2;
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
    return 0;
}

int runChangesCommand(Profile& profile, const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty()) {
        out << escapedKeepingLines(profile.changeLogText()) << '\n';
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

int runLogsCommand(Profile& profile, const QStringList& args, QTextStream& out, QTextStream& err)
{
    auto printSummary = [&] {
        profile.logView();
        const ProfileView& view = profile.view();
        out << "Reports: " << view.reportCount << '\n'
            << "Size: " << (view.logSize.isEmpty() ? QStringLiteral("0") : view.logSize) << Qt::endl;
    };
    if (args.isEmpty()) {
        printSummary();
        return 0;
    }
    if (args.size() != 1) {
        err << "trevalo: usage: trevalo logs [N | --delete]" << Qt::endl;
        return 2;
    }
    if (args.first() == QLatin1String("--delete")) {
        if (!QFileInfo::exists(profile.hostPath(profile.reportLogPath()))) {
            err << "trevalo: there is no report log to delete" << Qt::endl;
            return 1;
        }
        if (!profile.deleteLogs(Profile::DeleteFrom::CommandLine)) {
            out << "The report log is kept." << Qt::endl;
            return 1;
        }
        out << "The report log is deleted." << Qt::endl;
        const Profile::BlockingOutcome outcome = profile.runBlocking();
        if (!outcome.stored) {
            err << "trevalo: the new profile could not be stored: " << escapeField(outcome.error) << Qt::endl;
            return 1;
        }
        printSummary();
        return 0;
    }
    bool isNumber = false;
    const int number = args.first().toInt(&isNumber);
    if (!isNumber) {
        err << "trevalo: usage: trevalo logs [N | --delete]" << Qt::endl;
        return 2;
    }
    const std::optional<QString> report = profile.storedReport(number);
    if (!report) {
        err << "trevalo: the report log holds no report " << number << Qt::endl;
        return 1;
    }
    out << escapedKeepingLines(*report);
    if (!report->endsWith(u'\n'))
        out << '\n';
    out.flush();
    return 0;
}

} // namespace trevalo
