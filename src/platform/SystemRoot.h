#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

namespace trevalo {

/// The machine the program looks after, as a folder.
///
/// The program works with macOS paths throughout ("/Users/robin/Library/..."): that is what it shows,
/// stores, logs and passes to tools. Only the file-system layer maps those paths onto the root folder,
/// so that `--root DIR` makes DIR the whole Mac. With the root "/" nothing is mapped.
class SystemRoot {
public:
    struct Error {
        QString message;
    };

    /// Opens a root. `rootDir` "/" (or empty) is the running machine itself. Under any other root the
    /// home folder is the one folder of DIR/Users other than "Shared"; `userName` picks one when there
    /// are several.
    static std::optional<SystemRoot> open(const QString& rootDir, const QString& userName, Error* error);

    /// The running machine, for tools and tests that need no mapping.
    static SystemRoot identity();

    bool isIdentity() const { return m_root.isEmpty(); }
    /// Host folder of the root without a trailing slash; empty for "/".
    QString rootDir() const { return m_root; }
    QString userName() const { return m_user; }

    // macOS paths of the user's places.
    QString homeDir() const { return m_home; }
    QString libraryDir() const { return m_home + "/Library"; }
    QString applicationSupportDir() const { return m_home + "/Library/Application Support"; }
    QString supportFolder() const { return applicationSupportDir() + "/Trevalo 2"; }
    QString downloadsDir() const { return m_home + "/Downloads"; }
    /// The user's temporary folder; ends with "/".
    QString tempDir() const { return m_temp; }
    /// Host path of the settings file.
    QString settingsFile() const { return m_settingsFile; }

    /// Host path of a macOS path (absolute paths only; relative ones are returned unchanged).
    QString host(const QString& macPath) const;
    /// macOS path of a host path under the root; paths outside the root are returned unchanged.
    QString mac(const QString& hostPath) const;
    /// Rewrites every host path under the root inside a text printed by a host tool.
    QString mapBack(const QString& text) const;
    /// Launch path of a tool: the tool inside the root, except the shell, which is the host's.
    QString launchPath(const QString& macToolPath) const;
    /// Environment for a child: the root's tool folders in front of PATH and HOME set to the mapped
    /// home, so that a shell line such as "system_profiler ... | grep -i trim" reaches the root's tools.
    QProcessEnvironment childEnvironment() const;

    bool exists(const QString& macPath) const;

private:
    QString m_root;
    QString m_user;
    QString m_home;
    QString m_temp;
    QString m_settingsFile;
};

} // namespace trevalo
