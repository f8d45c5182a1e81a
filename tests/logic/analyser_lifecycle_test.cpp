// Every scan replaces the Analyser window's controller. The old one may be deep inside its own set-up
// when that happens: a modal alert runs an event loop, and a click on one of the program's
// notifications during it opens a new Analyser window.

#include "analyser/TRAnalyser.h"
#include "app/TRAppDelegate.h"
#include "support/FakeServices.h"

#include <QCoreApplication>
#include <QPointer>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

TEST(AnalyserLifecycle, NotificationClickDuringTheJobStoppingAlertLeavesNoDanglingController)
{
    test::FakeServices fx;
    // A system daemon of an unwanted product, whose removal the user confirms: the LOCAL pass then
    // shows its alert.
    fx.machine.write("/Library/LaunchDaemons/logKext.plist", "");
    fx.machine.script("/usr/bin/osascript", "echo 'button returned:OK'");
    TRAppDelegate delegate(fx.services(), [](const Services&) { return ScanOutcome{}; });
    delegate.applicationDidFinishLaunching({.runScan = false, .startTimer = false});

    QList<QPointer<TRAnalyser>> created;
    QList<TRAnalyser*> profiled;
    QObject::connect(&delegate.analyserSubsystem(), &Analyser::controllerCreated, [&](TRAnalyser* c) {
        created.append(c);
        QObject::connect(c, &TRAnalyser::profileRequested, [&profiled, c] { profiled.append(c); });
    });
    bool clicked = false;
    fx.alerts.whileShown = [&](const Alert& alert) {
        if (clicked || !alert.informativeText.contains("LOCAL domain"))
            return;
        clicked = true;
        emit fx.notifier.activated(Notification{});
    };

    delegate.analyser();

    ASSERT_TRUE(clicked);
    ASSERT_EQ(created.size(), 2);
    const QPointer<TRAnalyser> replaced = created[0];
    const QPointer<TRAnalyser> current = created[1];
    EXPECT_EQ(delegate.analyserSubsystem().wins(), current.data());
    ASSERT_TRUE(replaced);
    EXPECT_TRUE(replaced->isRetired());
    // The replaced controller finished its set-up without building a report for a closed window.
    EXPECT_EQ(profiled, QList<TRAnalyser*>{current.data()});

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(replaced.isNull());
    ASSERT_FALSE(current.isNull());
    EXPECT_FALSE(current->isRetired());

    // A later scan retires the current one, which is idle, at once.
    fx.alerts.whileShown = nullptr;
    delegate.analyser();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(current.isNull());
    EXPECT_NE(delegate.analyserSubsystem().wins(), nullptr);
}

} // namespace
