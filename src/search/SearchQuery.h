#pragma once

#include "search/SearchOptions.h"

#include <QString>

namespace trevalo {

/// Where a deep search starts: a folder, and whether it stays on that folder's volume.
struct StartFolder {
    QString folder;
    bool xdev = false;

    bool operator==(const StartFolder&) const = default;
};

/// The shell command line of a deep search, as "/bin/bash -c" runs it. `folder` is the start folder as
/// the command names it (escaped here); the term is searched for as a find name pattern, or in a content
/// search as grep's expression, never as shell text.
///
/// A name search sends find's errors to the null device; a content search greps regular files only, each
/// line-buffered, always with the file name, and drops only files whose count is 0.
QString findCommandLine(const SearchOptions& options, const StartFolder& start, const QString& term);

/// The value a Spotlight search compares with: the term, or "*term*" when it may stand anywhere.
QString spotlightValue(const SearchOptions& options, const QString& term);

/// The Spotlight predicate of a search, with its value as a quoted text constant:
/// kMDItemFSName LIKE[cd] "*memo*" && (kMDItemFSInvisible==YES||kMDItemFSInvisible==NO)
QString spotlightPredicate(const SearchOptions& options, const QString& term);

/// The same predicate in the query language of the Spotlight command-line tool (mdfind), which takes it
/// as one argument: kMDItemFSName == "*memo*"cd && (kMDItemFSInvisible == 1 || kMDItemFSInvisible == 0)
QString mdfindQuery(const SearchOptions& options, const QString& term);

/// What submitting a term in the search field asks for.
struct FieldRequest {
    enum class Kind {
        TooShort,            ///< fewer than 2 characters: nothing
        Search,              ///< a search for `text` (which may still be too short for one)
        RevealInHome,        ///< "~…": reveal `text`, a path in the home folder
        RevealFromRoot,      ///< "/…": reveal `text`
        ActivateApplication, ///< "`…": bring the application named `text` to the front
    };
    Kind kind = Kind::TooShort;
    QString text;

    bool operator==(const FieldRequest&) const = default;
};

/// Reads a submitted term: the two-character rule and the "~", "/" and backquote shortcuts. /tmp, /etc
/// and /var (and paths inside them) are the links they are on a Mac, so they are revealed under /private.
FieldRequest searchFieldRequest(const QString& term, const QString& homeDir);

/// A search term needs 3 characters to start a search.
bool isSearchableTerm(const QString& term);

/// The AppleScript that brings an application to the front; the name is an AppleScript text literal,
/// whatever it holds.
QString activateApplicationScript(const QString& applicationName);

} // namespace trevalo
