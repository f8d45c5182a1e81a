#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace trevalo::test {

struct ProgramOutput {
    int status = -1; ///< the exit status; -1 when the program crashed or did not end in time
    QByteArray out;
    QByteArray err;
};

/// Runs build/trevalo as a user at a terminal without a display would.
inline ProgramOutput runProgram(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TREVALO_BINARY), args);
    // A program that has not ended by then is a failure: waitForFinished leaves the exit code at 0.
    const bool finished = p.waitForFinished(120000);
    if (!finished) {
        p.kill();
        p.waitForFinished(10000);
    }
    return {finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

/// The same run, its output read as UTF-8 text.
struct ProgramRun {
    int status;
    QString out;
    QString err;
};

inline ProgramRun runProgramText(const QStringList& args)
{
    const ProgramOutput run = runProgram(args);
    return {run.status, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
}

} // namespace trevalo::test
