#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace trevalo {

/// The program's command line: global options, then an optional command and its arguments.
///   trevalo [--root DIR] [--user NAME] [--open NAME] [--answer BUTTON] [COMMAND ARGS...]
struct CommandLine {
    QString root;   ///< "--root": the folder to treat as the whole Mac; empty for "/"
    QString user;   ///< "--user": which home folder under the root
    QString open;   ///< "--open": a window or menu to open at start
    QString answer; ///< "--answer": the button that answers alerts on the command line
    QString command;
    QStringList arguments;
    bool help = false; ///< "--help": the help of the command, or of the program

    /// Parses the arguments after the program name; on a usage error returns nothing and sets `error`.
    static std::optional<CommandLine> parse(const QStringList& args, QString* error);
};

/// Runs a command without a display. Returns the exit status: 0 success, 1 a failed request, 2 a usage
/// error (with a one-line message on standard error).
int runHeadless(const CommandLine& commandLine);

/// The one-line usage text.
QString usage();
/// `trevalo --help`: every option and command, one line each with an example; with a command's name,
/// that command's usage and options.
QString helpText(const QString& command = {});
/// A usage error as the one line the program prints on standard error: the message and the hint to
/// the help.
QString usageError(const QString& message);

} // namespace trevalo
