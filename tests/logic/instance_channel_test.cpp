// The running program's local channel: one request line, one answer line, and a client that never waits
// longer than its limit.

#include "app/InstanceChannel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QTimer>
#include <QUuid>
#include <future>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace std::chrono_literals;

namespace {

QString freshChannel()
{
    return QStringLiteral("trevalo2-test-%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(16));
}

/// Asks from another thread while this one runs the server's event loop.
instance::Answer askServed(const QString& channel, const QString& request, std::chrono::milliseconds limit)
{
    auto answer = std::async(std::launch::async, [=] { return instance::ask(channel, request, limit); });
    const QDeadlineTimer deadline(limit + 5s);
    while (answer.wait_for(0ms) != std::future_status::ready && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return answer.get();
}

TEST(InstanceChannelTest, RequestsGetTheirHandlersAnswer)
{
    const QString channel = freshChannel();
    InstanceServer server;
    QString error;
    ASSERT_TRUE(server.listen(channel, &error)) << error.toStdString();
    server.setHandler("last-run", [](const InstanceServer::Reply& reply) { reply(true, "10/12/26 15:11"); });
    // A text with a tab and a line feed still comes as one line, escaped as printed fields are.
    server.setHandler("odd", [](const InstanceServer::Reply& reply) { reply(true, "a\tb\nc"); });
    server.setHandler("fails", [](const InstanceServer::Reply& reply) { reply(false, "could not store"); });
    // An answer may come later, from the event loop; a second reply is not sent.
    server.setHandler("later", [](const InstanceServer::Reply& reply) {
        QTimer::singleShot(200, [reply] {
            reply(true, {});
            reply(false, "twice");
        });
    });

    const struct Case {
        const char* request;
        instance::Answer::Status status;
        const char* text;
    } cases[] = {
        {"last-run", instance::Answer::Status::Ok, "10/12/26 15:11"},
        {"odd", instance::Answer::Status::Ok, "a\\tb\\nc"},
        {"fails", instance::Answer::Status::Failed, "could not store"},
        {"later", instance::Answer::Status::Ok, ""},
        {"dance", instance::Answer::Status::Failed, "unknown request dance"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const instance::Answer answer = askServed(channel, c.request, 10s);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_EQ(answer.text, c.text);
    }
}

TEST(InstanceChannelTest, TheClientGivesUpOnAProgramThatDoesNotAnswer)
{
    const QString channel = freshChannel();
    EXPECT_EQ(instance::ask(channel, "last-run", 2s).status, instance::Answer::Status::NotRunning);

    // A program that accepts the connection but never answers (hung in a dialog, say).
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(channel));
    const QDeadlineTimer took(5s);
    EXPECT_EQ(askServed(channel, "last-run", 300ms).status, instance::Answer::Status::NoAnswer);
    EXPECT_FALSE(took.hasExpired());

    // A handler that answers after the client has gone does no harm.
    silent.close();
    InstanceServer server;
    QString error;
    ASSERT_TRUE(server.listen(channel, &error)) << error.toStdString();
    InstanceServer::Reply pending;
    server.setHandler("run-analyser",
                      [&pending](InstanceServer::Reply reply) { pending = std::move(reply); });
    EXPECT_EQ(askServed(channel, "run-analyser", 300ms).status, instance::Answer::Status::NoAnswer);
    QCoreApplication::processEvents();
    ASSERT_TRUE(pending);
    pending(true, {});
}

} // namespace
