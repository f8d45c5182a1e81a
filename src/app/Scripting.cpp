#include "app/Scripting.h"

#include "app/TRAppDelegate.h"

namespace trevalo {

Scripting::Scripting(TRAppDelegate& delegate, QObject* parent) : QObject(parent), m_delegate(delegate) {}

void Scripting::runAnalyser(std::function<void(const QString& failure)> done)
{
    Profile& profile = m_delegate.profileSubsystem();
    // Watch from before the scan: the window's run may end (or fail to store) while the scan's alerts
    // are up, before runAnalyserCommand returns.
    auto failure = std::make_shared<QString>();
    auto watch = std::make_shared<QList<QMetaObject::Connection>>();
    auto fired = std::make_shared<bool>(false);
    // Held by the connections below; disconnecting them lets it go.
    auto finish = std::make_shared<std::function<void()>>([watch, failure, fired, done = std::move(done)] {
        if (*fired)
            return;
        *fired = true;
        for (const QMetaObject::Connection& c : std::as_const(*watch))
            QObject::disconnect(c);
        watch->clear();
        done(*failure);
    });
    *watch << connect(&profile, &Profile::runFailed, this,
                      [failure](const QString& message) { *failure = message; });
    bool started = false;
    *watch << connect(&profile, &Profile::runningChanged, this, [&started](bool running) {
        if (running)
            started = true;
    });
    m_delegate.runAnalyserCommand();
    QObject::disconnect(watch->takeLast());
    if (!profile.isRunning()) {
        // No run to wait for: the scan made no window, or its run already ended.
        if (!started && failure->isEmpty() && !m_delegate.analyserSubsystem().wins())
            *failure = QStringLiteral("the Analyser window did not open");
        (*finish)();
        return;
    }
    *watch << connect(&profile, &Profile::runningChanged, this, [finish](bool running) {
        if (!running)
            (*finish)();
    });
}

void Scripting::openSearch()
{
    m_delegate.openSearchWin();
}

QString Scripting::lastrun() const
{
    return m_delegate.lastrun();
}

void Scripting::serve(InstanceServer& server, const Windows& windows)
{
    server.setHandler(instance::showMenu, [windows](const InstanceServer::Reply& reply) {
        windows.showMenu();
        reply(true, {});
    });
    server.setHandler(instance::openSearch, [this](const InstanceServer::Reply& reply) {
        openSearch();
        reply(true, {});
    });
    server.setHandler(instance::lastRun,
                      [this](const InstanceServer::Reply& reply) { reply(true, lastrun()); });
    // The answer names the tab the window shows when its run has ended.
    server.setHandler(instance::runAnalyser, [this, windows](const InstanceServer::Reply& reply) {
        runAnalyser([reply, windows](const QString& failure) {
            if (failure.isEmpty())
                reply(true, windows.analyserTab());
            else
                reply(false, failure);
        });
    });
}

} // namespace trevalo
