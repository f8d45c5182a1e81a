#include "search/SuperSearch.h"

#include "platform/FileDates.h"
#include "platform/Log.h"
#include "search/SearchKeys.h"
#include "search/SearchQuery.h"

#include <QFile>
#include <algorithm>

namespace trevalo {

namespace {

const char* const kNoSelection = "Select an item first. Then click the 'Reveal' button (you can also "
                                 "double-click the item directly) to reveal the item in the Finder.\n";

/// Why a search's tool counts as failed, or nothing when it ran to its end. find ends with status 1
/// when some folders could not be read, and a content search's last grep with 1 when it kept no line:
/// both are ordinary ends with whatever was found.
std::optional<QString> failureOf(const CommandRunner::Result& r, const char* tool, bool statusOneIsAnEnd)
{
    if (!r.started)
        return QStringLiteral("%1 could not be started").arg(QLatin1String(tool));
    if (r.timedOut)
        return QStringLiteral("%1 ran past its time limit").arg(QLatin1String(tool));
    if (r.signal != 0)
        return QStringLiteral("%1 was ended by signal %2").arg(QLatin1String(tool)).arg(r.signal);
    if (r.exitStatus == 0 || (statusOneIsAnEnd && r.exitStatus == 1))
        return std::nullopt;
    return QStringLiteral("%1 ended with status %2").arg(QLatin1String(tool)).arg(r.exitStatus);
}

} // namespace

SuperSearch::SuperSearch(Services services, QObject* parent) : QObject(parent), m_services(services)
{
    prepareSearchWindow();
}

SuperSearch::~SuperSearch()
{
    stopRun();
}

void SuperSearch::prepareSearchWindow()
{
    m_popUp =
        FolderPopUp{{FolderItem{FolderItem::Kind::AllVolumes, QStringLiteral("All Volumes"), {}, 0}}, 0};
    m_state.selectedFolder = 0;
    m_state.spinnerVisible = false;
    emit stateChanged();
}

void SuperSearch::syncCheckBoxes()
{
    // A deep search keeps every hit: both filters show on and cannot be changed.
    const bool deep = m_options.searchIsDeep;
    m_state.directoryPopUpEnabled = deep;
    m_state.checkWebEnabled = !deep;
    m_state.checkEmailEnabled = !deep;
    m_state.checkWebOn = deep || m_options.searchWebH;
    m_state.checkEmailOn = deep || m_options.searchEmail;
}

void SuperSearch::openSearchWin()
{
    emit windowOpening();
    rebuildPopUp();
    m_options = loadSearchOptions(m_services.settings);
    m_state.selectedFolder = m_options.searchIsDeep ? m_popUp.startupVolumePosition : 0;
    syncCheckBoxes();
    m_services.settings.synchronize();
    emit stateChanged();
    emit showRequested();
}

void SuperSearch::closeSearchWin()
{
    emit closeRequested();
}

void SuperSearch::searchType(bool content)
{
    m_options.searchIsContent = content;
    m_services.settings.setBool(keys::searchForContent, content);
    emit stateChanged();
}

void SuperSearch::searchTerm(bool anywhere)
{
    m_options.searchIsString = anywhere;
    m_services.settings.setBool(keys::searchForString, anywhere);
    emit stateChanged();
}

void SuperSearch::searchDepth(bool deep)
{
    if (deep) {
        rebuildPopUp();
    } else {
        m_state.selectedFolder = 0;
    }
    m_options.searchIsDeep = deep;
    m_services.settings.setBool(keys::searchForDepth, deep);
    syncCheckBoxes();
    emit stateChanged();
}

void SuperSearch::searchCaseMethod(bool on)
{
    m_options.searchCase = on;
    m_services.settings.setBool(keys::searchForCase, on);
    emit stateChanged();
}

void SuperSearch::searchWebHistMethod(bool on)
{
    m_options.searchWebH = on;
    m_services.settings.setBool(keys::searchForWebHistory, on);
    syncCheckBoxes();
    emit stateChanged();
}

void SuperSearch::searchEmailMethod(bool on)
{
    m_options.searchEmail = on;
    m_services.settings.setBool(keys::searchForEmail, on);
    syncCheckBoxes();
    emit stateChanged();
}

void SuperSearch::selectFolder(int position)
{
    if (position >= 0 && position < m_popUp.items.size() &&
        m_popUp.items[position].kind != FolderItem::Kind::Separator)
        m_state.selectedFolder = position;
    emit stateChanged();
}

std::optional<StartFolder> SuperSearch::startFolderAt(int position) const
{
    return startFolderOf(m_popUp, position, m_services.volumes.startupVolumeName());
}

void SuperSearch::rebuildPopUp()
{
    m_popUp = populatePopUp(m_services.root, m_services.volumes.startupVolumeName());
    m_state.selectedFolder = m_popUp.startupVolumePosition;
    emit stateChanged();
}

void SuperSearch::searchFieldMethod(const QString& term)
{
    m_state.resultCounter.clear();
    cancelBtn();
    m_state.fieldText = term;
    clearAll();
    m_counter = 0;
    m_state.revealVisible = false;
    m_state.failure.clear();
    m_state.spinnerVisible = true;

    const FieldRequest request = searchFieldRequest(term, m_services.root.homeDir());
    using Kind = FieldRequest::Kind;
    switch (request.kind) {
    case Kind::TooShort:
        clearAll();
        m_state.spinnerVisible = false;
        break;
    case Kind::Search:
        m_searchInProgress = true;
        if (m_options.searchIsDeep)
            searchWithTask(request.text);
        else
            initiateSearch(request.text);
        break;
    case Kind::RevealInHome:
    case Kind::RevealFromRoot:
        m_state.spinnerVisible = false;
        m_state.resultCounter.clear();
        // A path that does not exist selects nothing.
        if (m_services.root.exists(request.text))
            m_services.workspace.revealInFinder(request.text);
        break;
    case Kind::ActivateApplication:
        m_state.spinnerVisible = false;
        m_state.resultCounter.clear();
        m_services.runner.callNSAppleScript(activateApplicationScript(request.text));
        break;
    }
    emit stateChanged();
}

void SuperSearch::initiateSearch(const QString& term)
{
    clearAll();
    m_state.revealVisible = false;
    if (!isSearchableTerm(term)) {
        m_results.clear();
        m_state.resultCounter.clear();
        m_state.spinnerVisible = false;
        emit stateChanged();
        return;
    }
    startSearch({m_options, StartFolder{}, term});
}

void SuperSearch::searchWithTask(const QString& term)
{
    if (!isSearchableTerm(term)) {
        clearAll();
        m_state.spinnerVisible = false;
        emit stateChanged();
        return;
    }
    const std::optional<StartFolder> start = selectedStartFolder();
    if (!start) {
        fail(QStringLiteral("No folder is chosen to search"));
        return;
    }
    startSearch({m_options, *start, term});
}

QString SuperSearch::commandFor(const Request& request) const
{
    if (!request.options.searchIsDeep)
        return mdfindQuery(request.options, request.term);
    StartFolder start = request.start;
    const SystemRoot& root = m_services.root;
    if (!root.isIdentity())
        start.folder = start.folder == QLatin1String("/") ? root.rootDir() : root.host(start.folder);
    return findCommandLine(request.options, start, request.term);
}

void SuperSearch::startSearch(const Request& request)
{
    stopRun();
    ++m_searchNumber;
    m_searchInProgress = true;
    m_counter = 0;
    m_filteredHits = 0;
    m_spotlightHits.clear();
    m_results.clear();
    m_state.failure.clear();
    m_state.spinnerVisible = true;
    m_state.revealVisible = false;
    m_running = true;
    m_runOptions = request.options;
    if (request.options.searchIsDeep)
        startDeep(request);
    else
        startSpotlight(request);
    emit stateChanged();
}

void SuperSearch::stopRun()
{
    m_run.cancel();
    m_run = RunHandle();
    m_running = false;
}

void SuperSearch::startDeep(const Request& request)
{
    const quint64 number = m_searchNumber;
    const bool content = request.options.searchIsContent;
    // The user ends a search; it has no time limit. Its process group is its own, so a cancel reaches
    // find, xargs and every grep, and no other tool's run can take its place.
    const CommandRunner::Request run{.launchPath = QStringLiteral("/bin/bash"),
                                     .arguments = {QStringLiteral("-c"), commandFor(request)},
                                     .timeLimit = CommandRunner::TimeLimit::None};
    m_run = m_services.runner.start(
        run, this,
        [this, number, content](const QList<QByteArray>& lines) {
            if (number == m_searchNumber && m_searchInProgress)
                takeFindLines(lines, content);
        },
        [this, number](const CommandRunner::Result& result) {
            if (number == m_searchNumber)
                finishDeep(result);
        });
}

void SuperSearch::takeFindLines(const QList<QByteArray>& lines, bool contentSearch)
{
    const SystemRoot& root = m_services.root;
    QVector<SearchRow> rows;
    rows.reserve(lines.size());
    for (const QByteArray& bytes : lines) {
        // Off a Mac the host's find prints host paths: they are shown as the Mac's.
        const QString printed = QFile::decodeName(bytes);
        const QString line = root.mac(printed);
        const std::optional<FindLine> hit = parseFindLine(line, contentSearch);
        if (!hit)
            continue;
        // The date is read from the path as printed when that is the host's path, without converting
        // it back: the status read is most of a row's cost.
        QByteArray hostPath;
        if (root.isIdentity() || line.size() != printed.size())
            hostPath = contentSearch && bytes.contains(':') ? bytes.left(bytes.lastIndexOf(':')) : bytes;
        else
            hostPath = QFile::encodeName(root.host(hit->path));
        rows.append({hit->name, hit->path, statChangeText(hostPath), QDateTime()});
    }
    if (rows.isEmpty())
        return;
    m_counter += rows.size();
    m_results.append(std::move(rows));
    showCounter(m_counter);
    emit stateChanged();
}

void SuperSearch::finishDeep(const CommandRunner::Result& result)
{
    m_run = RunHandle();
    m_running = false;
    if (const std::optional<QString> failure = failureOf(result, "find", true)) {
        fail(QStringLiteral("The search could not be finished: %1").arg(*failure));
        return;
    }
    showCounter(m_counter);
    m_state.spinnerVisible = false;
    emit stateChanged();
    emit searchFinished(true);
}

void SuperSearch::startSpotlight(const Request& request)
{
    const quint64 number = m_searchNumber;
    const CommandRunner::Request run{.launchPath = QStringLiteral("/usr/bin/mdfind"),
                                     .arguments = {QStringLiteral("-0"), commandFor(request)},
                                     .timeLimit = CommandRunner::TimeLimit::None,
                                     .lineSeparator = '\0'};
    m_run = m_services.runner.start(
        run, this,
        [this, number](const QList<QByteArray>& paths) {
            if (number != m_searchNumber)
                return;
            // Spotlight answers with absolute paths only; anything else is no file and never a result.
            for (const QByteArray& path : paths) {
                if (path.startsWith('/'))
                    m_spotlightHits << QFile::decodeName(path);
            }
            queryDidUpdate();
        },
        [this, number](const CommandRunner::Result& result) {
            if (number == m_searchNumber)
                initalGatherComplete(result);
        });
}

void SuperSearch::queryDidUpdate()
{
    TR_LOG_AS("-[TRAppDelegate queryDidUpdate:]", "metadata searchquery has updated");
}

void SuperSearch::initalGatherComplete(const CommandRunner::Result& result)
{
    m_run = RunHandle();
    m_running = false;
    m_filteredHits = 0;
    if (const std::optional<QString> failure = failureOf(result, "mdfind", false)) {
        fail(QStringLiteral("Spotlight could not be asked: %1").arg(*failure));
        return;
    }
    QStringList hits = std::exchange(m_spotlightHits, {});
    std::sort(hits.begin(), hits.end(), [](const QString& a, const QString& b) {
        const QString nameA = lastPathComponent(a);
        const QString nameB = lastPathComponent(b);
        const int order = nameA.compare(nameB, Qt::CaseInsensitive);
        if (order != 0)
            return order < 0;
        return nameA != nameB ? nameA < nameB : a < b;
    });
    QVector<SearchRow> rows;
    for (const QString& path : std::as_const(hits)) {
        if (!m_searchInProgress)
            break;
        const QString name = lastPathComponent(path);
        const bool mail = path.contains(QLatin1String("emlx")) || path.contains(QLatin1String("mbox"));
        const bool webHistory = name.contains(QLatin1String("http"));
        if ((!m_runOptions.searchEmail && mail) || (!m_runOptions.searchWebH && webHistory)) {
            ++m_filteredHits;
            continue;
        }
        const std::optional<FileDates> dates = readFileDates(m_services.root.host(path));
        rows.append({name, path, QString(), dates ? dates->created : QDateTime()});
    }
    m_results.append(std::move(rows));
    showCounter(m_results.size());
    // Every hit is now either shown or left out.
    m_state.spinnerVisible = false;
    emit stateChanged();
    emit searchFinished(true);
}

void SuperSearch::showCounter(qint64 rows)
{
    m_state.resultCounter = QString::number(rows);
    m_state.revealVisible = rows >= 1;
    if (rows >= 1)
        m_state.actionEnabled = true; // enableSearchActionMenu
}

void SuperSearch::fail(const QString& message)
{
    TR_LOG("%1", message);
    m_running = false;
    m_results.clear();
    m_state.failure = message;
    m_state.resultCounter = QStringLiteral("0");
    m_state.spinnerVisible = false;
    m_state.revealVisible = false;
    m_state.actionEnabled = false;
    emit stateChanged();
    emit searchFinished(false);
}

void SuperSearch::cancelBtn()
{
    m_searchInProgress = false;
    ++m_searchNumber; // whatever is still on its way from the stopped search is dropped
    stopRun();
    m_state.fieldText.clear();
    m_state.spinnerVisible = false;
    clearAll();
    m_state.actionEnabled = false;
    emit stateChanged();
}

void SuperSearch::clearAll()
{
    if (m_results.size() == 0)
        return;
    m_results.clear();
    m_state.resultCounter.clear();
    m_state.actionEnabled = false;
    emit stateChanged();
}

void SuperSearch::openFileLocation(const QList<int>& selectedRows)
{
    QList<int> rows;
    for (const int row : selectedRows) {
        if (row >= 0 && row < m_results.size())
            rows << row;
    }
    if (rows.isEmpty()) {
        m_services.alerts.runModal(Alert{.informativeText = QString::fromLatin1(kNoSelection)});
        return;
    }
    std::sort(rows.begin(), rows.end());
    // Each selected hit is revealed: their paths joined into one text would name no file.
    for (const int row : std::as_const(rows))
        m_services.workspace.revealInFinder(m_results.row(row).path);
}

QString SuperSearch::copyAllText() const
{
    QString text = QStringLiteral("\n");
    for (const SearchRow& row : m_results.rows())
        text += QStringLiteral("\n%1\t%2\t\t%3").arg(row.name, row.path, row.dateForCopy());
    return text.size() >= 2 ? text : QString();
}

QString SuperSearch::copySelectedText(const QList<int>& selectedRows) const
{
    std::optional<int> first;
    for (const int row : selectedRows) {
        if (row >= 0 && row < m_results.size() && (!first || row < *first))
            first = row;
    }
    if (!first)
        return QString();
    const SearchRow& row = m_results.row(*first);
    const QString text = QStringLiteral("%1\t%2\t%3").arg(row.name, row.path, row.dateForCopy());
    return text.size() >= 2 ? text : QString();
}

void SuperSearch::copyAllMenu()
{
    const QString text = copyAllText();
    if (!text.isEmpty())
        m_services.clipboard.setText(text);
}

void SuperSearch::copySelectedMenu(const QList<int>& selectedRows)
{
    const QString text = copySelectedText(selectedRows);
    if (!text.isEmpty())
        m_services.clipboard.setText(text);
}

} // namespace trevalo
