#pragma once

#include "platform/CommandRunner.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace trevalo {

/// The system's view of files and applications: what the Finder shows and where applications are.
class Workspace {
public:
    virtual ~Workspace() = default;
    struct ApplicationLookup {
        QString path;        ///< empty when no application has the identifier
        bool failed = false; ///< the system could not be asked: that no application was found means nothing
    };
    virtual ApplicationLookup findApplication(const QString& bundleIdentifier) = 0;
    /// Path of the installed application with the bundle identifier; empty when none is known.
    QString absolutePathForAppBundleWithIdentifier(const QString& bundleIdentifier)
    {
        return findApplication(bundleIdentifier).path;
    }
    /// Shows the item selected in a Finder window.
    virtual void revealInFinder(const QString& path) = 0;
    /// Opens a web address, file or folder with its application.
    virtual void open(const QString& pathOrUrl) = 0;
};

/// The machine's own workspace, reached through its tools: Spotlight finds applications, "open" shows
/// files. Under a root, the root's stand-ins answer.
class ToolWorkspace : public Workspace {
public:
    explicit ToolWorkspace(CommandRunner& runner) : m_runner(runner) {}
    ApplicationLookup findApplication(const QString& bundleIdentifier) override;
    void revealInFinder(const QString& path) override;
    void open(const QString& pathOrUrl) override;

private:
    CommandRunner& m_runner;
};

} // namespace trevalo
