#include "search/SearchQuery.h"

#include "platform/TextEscape.h"

namespace trevalo {

namespace {

/// A Spotlight text constant: the value in double quotes, its own quotes and backslashes escaped.
QString quotedConstant(const QString& value, bool singleQuoteToo)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : value) {
        if (c == u'"' || c == u'\\' || (singleQuoteToo && c == u'\''))
            out += u'\\';
        out += c;
    }
    return out + u'"';
}

bool startsWithFolder(const QString& path, QLatin1String folder)
{
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == u'/');
}

} // namespace

QString findCommandLine(const SearchOptions& options, const StartFolder& start, const QString& term)
{
    const QString escaped = doubleQuotedContent(term);
    QString test;
    QString middle;
    QString quotedTerm;
    QString tail;
    if (options.searchIsContent) {
        // Case and substring options mean nothing here: every regular file is grepped without case.
        test = QStringLiteral("name");
        middle = QStringLiteral(
            " \"*\" -type f -print0 2>/dev/null | xargs -0 grep --line-buffered -i -H --count -e ");
        quotedTerm = u'"' + escaped + u'"';
        tail = QStringLiteral("2>/dev/null| grep --line-buffered -v ':0$'");
    } else {
        test = options.searchCase ? QStringLiteral("name") : QStringLiteral("iname");
        middle = QStringLiteral(" ");
        quotedTerm = options.searchIsString ? QStringLiteral("\"*") + escaped + QStringLiteral("*\"")
                                            : u'"' + escaped + u'"';
        tail = QStringLiteral("2>/dev/null");
    }
    return QStringLiteral("find ") + shellWord(start.folder) +
           (start.xdev ? QStringLiteral(" -xdev ") : QStringLiteral(" ")) + u'-' + test + middle +
           quotedTerm + u' ' + tail;
}

QString spotlightValue(const SearchOptions& options, const QString& term)
{
    return options.searchIsString ? u'*' + term + u'*' : term;
}

QString spotlightPredicate(const SearchOptions& options, const QString& term)
{
    const QString value = quotedConstant(spotlightValue(options, term), false);
    const QString like = options.searchCase ? QStringLiteral("LIKE") : QStringLiteral("LIKE[cd]");
    if (options.searchIsContent)
        return QStringLiteral("kMDItemTextContent ") + like + u' ' + value;
    return QStringLiteral("kMDItemFSName ") + like + u' ' + value +
           QStringLiteral(" && (kMDItemFSInvisible==YES||kMDItemFSInvisible==NO)");
}

QString mdfindQuery(const SearchOptions& options, const QString& term)
{
    // The query language spells LIKE as == with * and ? as wildcards, [cd] as a suffix of the value,
    // and YES and NO as 1 and 0.
    const QString value = quotedConstant(spotlightValue(options, term), true) +
                          (options.searchCase ? QString() : QStringLiteral("cd"));
    if (options.searchIsContent)
        return QStringLiteral("kMDItemTextContent == ") + value;
    return QStringLiteral("kMDItemFSName == ") + value +
           QStringLiteral(" && (kMDItemFSInvisible == 1 || kMDItemFSInvisible == 0)");
}

FieldRequest searchFieldRequest(const QString& term, const QString& homeDir)
{
    using Kind = FieldRequest::Kind;
    if (term.size() < 2)
        return {Kind::TooShort, QString()};
    const QString rest = term.mid(1);
    switch (term.front().unicode()) {
    case '~': {
        QString path = homeDir;
        if (!rest.isEmpty() && rest != QLatin1String("/"))
            path += rest.startsWith(u'/') ? rest : u'/' + rest;
        return {Kind::RevealInHome, path};
    }
    case '/':
        for (const QLatin1String link :
             {QLatin1String("/tmp"), QLatin1String("/etc"), QLatin1String("/var")}) {
            if (startsWithFolder(term, link))
                return {Kind::RevealFromRoot, QStringLiteral("/private") + term};
        }
        return {Kind::RevealFromRoot, term};
    case '`':
        return {Kind::ActivateApplication, rest};
    default:
        return {Kind::Search, term};
    }
}

bool isSearchableTerm(const QString& term)
{
    return term.size() >= 3;
}

QString activateApplicationScript(const QString& applicationName)
{
    return QStringLiteral("try\ntell application ") + appleScriptString(applicationName) +
           QStringLiteral(" to activate\nend try");
}

} // namespace trevalo
