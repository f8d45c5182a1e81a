#pragma once

#include "platform/SystemRoot.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

namespace trevalo::test {

/// A throw-away machine root: either an empty Mac with one user, or a copy of the simulated Mac.
class TempRoot {
public:
    enum Kind { Empty, SampleMac };

    /// An empty Mac with one user, or a fresh copy of the repository's simulated Mac.
    explicit TempRoot(Kind kind = Empty, const QString& user = QStringLiteral("robin"))
    {
        QDir().mkpath(m_dir.path() + "/Users/" + user);
        QDir().mkpath(m_dir.path() + "/Users/Shared");
        if (kind == SampleMac) {
            const QString cmd = QStringLiteral("cp -a '%1/.' '%2/'").arg(TREVALO_SAMPLE_MAC, path());
            m_copied = std::system(cmd.toLocal8Bit().constData()) == 0;
        }
    }

    /// A fresh copy of the repository's simulated Mac; null when it could not be copied.
    static std::unique_ptr<TempRoot> sampleMac()
    {
        auto root = std::make_unique<TempRoot>(SampleMac);
        return root->m_copied ? std::move(root) : nullptr;
    }

    QString path() const { return m_dir.path(); }
    SystemRoot root() const
    {
        SystemRoot::Error error;
        return *SystemRoot::open(path(), QString(), &error);
    }
    QString host(const QString& macPath) const { return path() + macPath; }

    /// Writes a file at a macOS path, creating its folder.
    void write(const QString& macPath, const QByteArray& content, bool executable = false) const
    {
        const QString file = host(macPath);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        f.close();
        if (executable)
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                             QFileDevice::ExeOther);
    }
    /// Writes an executable bash script at a macOS path.
    void script(const QString& macPath, const QByteArray& body) const
    {
        write(macPath, "#!/bin/bash\n" + body + "\n", true);
    }
    QByteArray read(const QString& macPath) const
    {
        QFile f(host(macPath));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private:
    QTemporaryDir m_dir;
    bool m_copied = false;
};

/// Points TREVALO_LOG at a fresh file for the life of the object.
class CapturedLog {
public:
    CapturedLog() { qputenv("TREVALO_LOG", m_file.toLocal8Bit()); }
    ~CapturedLog() { qunsetenv("TREVALO_LOG"); }
    QString text() const
    {
        QFile f(m_file);
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }

private:
    QTemporaryDir m_dir;
    QString m_file = m_dir.path() + "/log.txt";
};

} // namespace trevalo::test
