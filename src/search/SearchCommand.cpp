#include "search/SearchCommand.h"

#include "platform/JsonOutput.h"
#include "platform/TextEscape.h"
#include "search/SearchQuery.h"
#include "search/SuperSearch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QMap>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <variant>

namespace trevalo {

namespace {

const char* const kUsage =
    "usage: trevalo search [--json] [--deep] [--content] [--string] [--case] [--email] "
    "[--web-history] [--dir TITLE] [--print-command] TERM | trevalo search [--json] --list-dirs";

struct Arguments {
    SuperSearch::Request request;
    std::optional<QString> dir;
    bool printCommand = false;
    bool listDirs = false;
    bool json = false;
};

/// Reads the arguments; a usage error's message otherwise.
std::variant<Arguments, QString> parse(QStringList args)
{
    Arguments a;
    a.json = takeJsonOption(args);
    SearchOptions& o = a.request.options;
    const QMap<QString, bool*> flags{{"--deep", &o.searchIsDeep},          {"--content", &o.searchIsContent},
                                     {"--string", &o.searchIsString},      {"--case", &o.searchCase},
                                     {"--email", &o.searchEmail},          {"--web-history", &o.searchWebH},
                                     {"--print-command", &a.printCommand}, {"--list-dirs", &a.listDirs}};
    QStringList terms;
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnd || !arg.startsWith(QLatin1String("--"))) {
            terms << arg;
        } else if (arg == QLatin1String("--")) {
            optionsEnd = true;
        } else if (flags.contains(arg)) {
            *flags.value(arg) = true;
        } else if (arg == QLatin1String("--dir") || arg.startsWith(QLatin1String("--dir="))) {
            if (arg == QLatin1String("--dir")) {
                if (++i >= args.size())
                    return QStringLiteral("--dir needs the title of a folder of the pop-up");
                a.dir = args[i];
            } else {
                a.dir = arg.mid(6);
            }
        } else {
            return QStringLiteral("unknown option %1").arg(arg);
        }
    }
    if (a.listDirs) {
        if (args.size() != 1)
            return QStringLiteral("--list-dirs takes nothing else");
        return a;
    }
    if (terms.size() != 1)
        return terms.isEmpty() ? QStringLiteral("no search term")
                               : QStringLiteral("one search term at a time");
    if (a.dir && !o.searchIsDeep)
        return QStringLiteral("--dir chooses the folder of a deep search: add --deep");
    a.request.term = terms.first();
    const FieldRequest field = searchFieldRequest(a.request.term, QString());
    if (field.kind != FieldRequest::Kind::Search && field.kind != FieldRequest::Kind::TooShort)
        return QStringLiteral("\"%1\" is one of the search field's shortcuts, not a search term")
            .arg(escapeField(a.request.term));
    if (!isSearchableTerm(a.request.term))
        return QStringLiteral("a search term needs at least 3 characters");
    return a;
}

/// Ends the search's whole process group when the user interrupts the command (Ctrl-C) or it is asked to
/// stop: the search runs in a process group of its own, which the terminal's signal does not reach.
class InterruptWatch {
public:
    explicit InterruptWatch(SuperSearch& search)
    {
        if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        m_notifier.emplace(s_pipe[0], QSocketNotifier::Read);
        QObject::connect(&*m_notifier, &QSocketNotifier::activated, &search, [this, &search] {
            char byte;
            while (::read(s_pipe[0], &byte, 1) > 0) {
            }
            interrupted = true;
            search.cancelBtn();
        });
        struct sigaction action {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(s_pipe[1], &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal, &action, &m_previous[signal]);
    }
    ~InterruptWatch()
    {
        if (!m_notifier)
            return;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal, &m_previous[signal], nullptr);
        m_notifier.reset();
        ::close(s_pipe[0]);
        ::close(s_pipe[1]);
    }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool interrupted = false;

private:
    static inline int s_pipe[2] = {-1, -1};
    std::optional<QSocketNotifier> m_notifier;
    struct sigaction m_previous[NSIG] {};
};

} // namespace

int runSearchCommand(SuperSearch& search, const QStringList& args, QTextStream& out, QTextStream& err)
{
    auto parsed = parse(args);
    if (const QString* problem = std::get_if<QString>(&parsed)) {
        err << "trevalo: " << *problem << " (" << kUsage << ")" << Qt::endl;
        return 2;
    }
    Arguments& a = std::get<Arguments>(parsed);

    search.rebuildPopUp();
    const FolderPopUp& popUp = search.popUp();
    if (a.listDirs) {
        QStringList titles = popUp.titles();
        titles.removeAll(QString());
        if (a.json) {
            writeJson(out, {{"dirs", QJsonArray::fromStringList(titles)}});
            return 0;
        }
        for (const QString& title : std::as_const(titles))
            out << escapeField(title) << '\n';
        out.flush();
        return 0;
    }

    SuperSearch::Request& request = a.request;
    if (request.options.searchIsDeep) {
        int position = popUp.startupVolumePosition;
        if (a.dir) {
            const std::optional<int> found = popUp.positionOf(*a.dir);
            if (!found) {
                err << "trevalo: no folder \"" << escapeField(*a.dir)
                    << "\" in the pop-up; trevalo search --list-dirs shows its titles" << Qt::endl;
                return 2;
            }
            position = *found;
        }
        request.start = *search.startFolderAt(position);
    }
    if (a.printCommand) {
        // Exactly what runs, so that it can be read or run by hand: a line feed in it stands inside quotes.
        if (a.json)
            writeJson(out, {{"command", search.commandFor(request)}});
        else
            out << search.commandFor(request) << Qt::endl;
        return 0;
    }

    InterruptWatch interrupt(search);
    QEventLoop loop;
    bool succeeded = false;
    QObject::connect(&search, &SuperSearch::searchFinished, &loop, [&](bool ok) {
        succeeded = ok;
        loop.quit();
    });
    QObject::connect(&search, &SuperSearch::stateChanged, &loop, [&] {
        if (interrupt.interrupted)
            loop.quit();
    });
    search.startSearch(request);
    if (search.isRunning())
        loop.exec();
    if (interrupt.interrupted) {
        err << "trevalo: the search was interrupted" << Qt::endl;
        return 1;
    }
    if (!succeeded) {
        err << "trevalo: " << escapeField(search.state().failure) << Qt::endl;
        return 1;
    }
    QJsonArray hits;
    for (const SearchRow& row : search.results().rows()) {
        QString date = row.dateForCopy();
        if (date.endsWith(u'\n'))
            date.chop(1);
        if (a.json)
            hits.append(QJsonObject{{"name", row.name}, {"path", row.path}, {"date", date}});
        else
            out << escapeField(row.name) << '\t' << escapeField(row.path) << '\t' << escapeField(date)
                << '\n';
    }
    if (a.json)
        writeJson(out, {{"hits", hits}, {"results", int(search.results().size())}});
    else
        out << "Results: " << search.results().size() << Qt::endl;
    return 0;
}

} // namespace trevalo
