#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

namespace trevalo::test {

struct ProgramOutput {
    int status = -1; ///< the exit status; -1 when the program crashed or did not end
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
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace trevalo::test
