#include "app/TasksCommand.h"

#include "app/ConsoleSeams.h"
#include "app/Machine.h"
#include "platform/JsonOutput.h"
#include "platform/TextEscape.h"
#include "taskpad/OutlineViewController.h"
#include "taskpad/TaskPadFile.h"

#include <QJsonArray>

namespace trevalo {

namespace {

const char* const kUsage = "trevalo: usage: trevalo tasks [--json] [add [--under ROW] NAME | done ROW | "
                           "undone ROW | due ROW YYYY-MM-DD|none "
                           "| remove ROW | rename ROW NAME | note ROW TEXT]";

/// What the arguments ask for, checked before the file is touched.
struct Request {
    QString action;
    std::optional<int> row;
    QString text; ///< the name, the note's text
    QDate due;    ///< invalid for "none"
};

std::optional<int> rowNumber(const QString& text)
{
    bool ok = false;
    const int row = text.toInt(&ok);
    return ok && row >= 0 ? std::optional<int>(row) : std::nullopt;
}

std::optional<Request> parse(QStringList args)
{
    Request request;
    if (args.isEmpty())
        return request;
    request.action = args.takeFirst();
    if (request.action == QLatin1String("add")) {
        if (!args.isEmpty() && args.first().startsWith(QLatin1String("--under"))) {
            QString value = args.takeFirst().mid(7);
            if (value.startsWith('='))
                value = value.mid(1);
            else if (value.isEmpty() && !args.isEmpty())
                value = args.takeFirst();
            else
                return std::nullopt;
            request.row = rowNumber(value);
            if (!request.row)
                return std::nullopt;
        }
        if (args.size() != 1)
            return std::nullopt;
        request.text = args.first();
        return request;
    }
    const QStringList withRow{"done", "undone", "remove"};
    const QStringList withRowAndText{"due", "rename", "note"};
    const bool takesText = withRowAndText.contains(request.action);
    if ((!withRow.contains(request.action) && !takesText) || args.size() != (takesText ? 2 : 1))
        return std::nullopt;
    request.row = rowNumber(args[0]);
    if (!request.row)
        return std::nullopt;
    if (takesText)
        request.text = args[1];
    if (request.action == QLatin1String("due") && request.text != QLatin1String("none")) {
        request.due = QDate::fromString(request.text, QStringLiteral("yyyy-MM-dd"));
        if (!request.due.isValid())
            return std::nullopt;
    }
    return request;
}

void printOutline(OutlineViewController& outline, const QDateTime& now, bool json, QTextStream& out)
{
    if (json) {
        QJsonArray tasks;
        for (ListItem* item : outline.displayOrder()) {
            const QString days = item->daysToComplete(now);
            tasks.append(QJsonObject{{"done", item->taskIsDone()},
                                     {"name", item->name()},
                                     {"days", days.isNull() ? QJsonValue() : QJsonValue(days)}});
        }
        writeJson(out, {{"tasks", tasks}});
        return;
    }
    for (ListItem* item : outline.displayOrder()) {
        const QString days = item->daysToComplete(now);
        out << (item->taskIsDone() ? "[x] " : "[ ] ") << escapeField(item->name())
            << (days.isNull() ? QString() : '\t' + days) << '\n';
    }
    out.flush();
}

} // namespace

int runTasksCommand(const CommandLine& commandLine, QTextStream& out, QTextStream& err)
{
    // Only before the action: after it every word is a row or a task's text, "--json" too.
    QStringList args = commandLine.arguments;
    const bool json = !args.isEmpty() && args.first() == QLatin1String("--json");
    if (json)
        args.removeFirst();
    const std::optional<Request> request = parse(args);
    if (!request) {
        err << kUsage << Qt::endl;
        return 2;
    }
    SystemRoot::Error rootError;
    std::optional<SystemRoot> root = SystemRoot::open(commandLine.root, commandLine.user, &rootError);
    if (!root) {
        err << "trevalo: " << rootError.message << Qt::endl;
        return 2;
    }
    // Alerts go with the other messages, so that standard output holds the outline alone.
    ConsoleAlerts alerts(err, commandLine.answer);
    CollectingNotifier notifier;
    MemoryClipboard clipboard;
    Machine machine(*root, alerts, notifier, clipboard);
    const Services services = machine.services();

    TaskPadFile file(services);
    OutlineViewController outline(file);
    if (file.loadFailed()) {
        err << "trevalo: " << file.errorString() << "; nothing was changed" << Qt::endl;
        return 1;
    }

    if (!request->action.isEmpty()) {
        QModelIndex task;
        if (request->row) {
            const QVector<ListItem*> rows = outline.displayOrder();
            if (*request->row >= rows.size()) {
                err << "trevalo: there is no task in row " << *request->row << " (the outline has "
                    << rows.size() << (rows.size() == 1 ? " row" : " rows")
                    << ", counted from 0); nothing was changed" << Qt::endl;
                return 1;
            }
            task = outline.indexOf(rows[*request->row]);
        }
        const QString& action = request->action;
        if (action == QLatin1String("add")) {
            if (!outline.add(task, request->text).isValid()) {
                err << "trevalo: the task in row " << *request->row
                    << " is as deep as tasks nest; nothing was changed" << Qt::endl;
                return 1;
            }
        } else if (action == QLatin1String("done") || action == QLatin1String("undone")) {
            outline.setTaskIsDone(task, action == QLatin1String("done"));
        } else if (action == QLatin1String("due")) {
            outline.calendarBtn(task);
            if (request->due.isValid())
                outline.didSelectDate(request->due);
            else
                outline.resetCalendar();
        } else if (action == QLatin1String("remove")) {
            outline.remove(task);
        } else if (action == QLatin1String("rename")) {
            outline.rename(task, request->text);
        } else if (action == QLatin1String("note")) {
            const bool hasNote = !request->text.isEmpty();
            outline.setNotes(task, hasNote ? std::optional(StyledText::plain(request->text)) : std::nullopt,
                             hasNote);
        }
        if (!file.errorString().isEmpty()) {
            err << "trevalo: " << file.errorString() << "; nothing was written" << Qt::endl;
            return 1;
        }
    }
    printOutline(outline, services.clock.now(), json, out);
    return 0;
}

} // namespace trevalo
