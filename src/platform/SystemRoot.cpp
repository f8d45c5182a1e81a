#include "platform/SystemRoot.h"

#include "platform/SettingsBackend.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace trevalo {

namespace {

const char* const kSettingsName = "com.quorvex.trevalo2.plist";

// The user's temporary folder as the root's Mac reports it (confstr's DARWIN_USER_TEMP_DIR, which its
// getconf prints), ending with "/"; empty when that tool cannot tell.
QString askedTempDir(const SystemRoot& root)
{
    QProcess getconf;
    getconf.setProcessEnvironment(root.childEnvironment());
    getconf.setStandardInputFile(QProcess::nullDevice());
    getconf.setStandardErrorFile(QProcess::nullDevice());
    getconf.start(root.launchPath("/usr/bin/getconf"), {QStringLiteral("DARWIN_USER_TEMP_DIR")});
    if (!getconf.waitForFinished(10000)) {
        getconf.kill();
        getconf.waitForFinished();
        return QString();
    }
    if (getconf.exitStatus() != QProcess::NormalExit || getconf.exitCode() != 0)
        return QString();
    QString dir = QString::fromUtf8(getconf.readAllStandardOutput()).trimmed();
    if (!dir.startsWith('/') || dir.contains('\n'))
        return QString();
    if (!dir.endsWith('/'))
        dir += '/';
    return dir;
}

} // namespace

SystemRoot SystemRoot::identity()
{
    SystemRoot r;
    r.m_home = QDir::homePath();
    r.m_user = qEnvironmentVariable("USER", QFileInfo(r.m_home).fileName());
    QString temp = QDir::tempPath();
    if (!temp.endsWith('/'))
        temp += '/';
    r.m_temp = temp;
    r.m_settingsFile = settingsFileOfUser(r.m_home, QString::fromLatin1(kSettingsName));
    return r;
}

std::optional<SystemRoot> SystemRoot::open(const QString& rootDir, const QString& userName, Error* error)
{
    auto fail = [error](const QString& message) {
        if (error)
            error->message = message;
        return std::nullopt;
    };
    if (rootDir.isEmpty() || QDir::cleanPath(rootDir) == "/") {
        SystemRoot r = identity();
        if (!userName.isEmpty() && userName != r.m_user)
            return fail(QStringLiteral("--user %1 is not the user running the program").arg(userName));
        return r;
    }

    const QFileInfo info(rootDir);
    if (!info.exists())
        return fail(QStringLiteral("root folder %1 does not exist").arg(rootDir));
    if (!info.isDir())
        return fail(QStringLiteral("root %1 is not a folder").arg(rootDir));

    SystemRoot r;
    r.m_root = QDir(info.absoluteFilePath()).canonicalPath();
    if (r.m_root == "/")
        return open(QString(), userName, error);

    QStringList users = QDir(r.m_root + "/Users").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    users.removeAll("Shared");
    if (!userName.isEmpty()) {
        if (userName == QLatin1String("Shared"))
            return fail(QStringLiteral("%1/Users/Shared is the folder users share, not a home folder: choose "
                                       "another with --user NAME")
                            .arg(r.m_root));
        if (!users.contains(userName))
            return fail(
                QStringLiteral("there is no folder %1/Users/%2 for --user %2").arg(r.m_root, userName));
        r.m_user = userName;
    } else if (users.size() == 1) {
        r.m_user = users.first();
    } else if (users.isEmpty()) {
        return fail(QStringLiteral("%1/Users holds no home folder").arg(r.m_root));
    } else {
        return fail(QStringLiteral("%1/Users holds several home folders (%2): choose one with --user NAME")
                        .arg(r.m_root, users.join(", ")));
    }
    r.m_home = "/Users/" + r.m_user;
    r.m_temp = "/private/var/folders/T/";
    const QString asked = askedTempDir(r);
    if (!asked.isEmpty())
        r.m_temp = asked;
    r.m_settingsFile = r.host(r.m_home + "/Library/Preferences/" + kSettingsName);
    return r;
}

QString SystemRoot::host(const QString& macPath) const
{
    if (isIdentity() || !macPath.startsWith('/'))
        return macPath;
    return m_root + macPath;
}

QString SystemRoot::mac(const QString& hostPath) const
{
    if (isIdentity())
        return hostPath;
    if (hostPath == m_root)
        return QStringLiteral("/");
    if (hostPath.startsWith(m_root + '/'))
        return hostPath.mid(m_root.size());
    return hostPath;
}

QString SystemRoot::mapBack(const QString& text) const
{
    if (isIdentity() || text.isNull())
        return text;
    QString out = text;
    out.replace(m_root + '/', QStringLiteral("/"));
    return out;
}

QString SystemRoot::launchPath(const QString& macToolPath) const
{
    if (macToolPath == QLatin1String("/bin/bash"))
        return macToolPath;
    return host(macToolPath);
}

QProcessEnvironment SystemRoot::childEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A start-up file named here would run inside every shell line the program starts, before the
    // line itself: whoever set it could put anything in front of the program's tools.
    env.remove(QStringLiteral("BASH_ENV"));
    env.remove(QStringLiteral("ENV"));
    if (isIdentity())
        return env;
    QStringList path;
    for (const char* dir : {"/usr/bin", "/usr/sbin", "/bin", "/sbin"})
        path << m_root + dir;
    const QString hostPath = env.value("PATH", "/usr/local/bin:/usr/bin:/bin");
    env.insert("PATH", path.join(':') + ':' + hostPath);
    env.insert("HOME", host(m_home));
    env.insert("USER", m_user);
    env.insert("LOGNAME", m_user);
    env.insert("TMPDIR", host(m_temp));
    return env;
}

bool SystemRoot::exists(const QString& macPath) const
{
    return !macPath.isEmpty() && QFileInfo::exists(host(macPath));
}

} // namespace trevalo
