#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>

class QObject;

namespace trevalo {

/// One GET. The limits bound what a server can make the program wait for and hold in memory.
struct WebRequest {
    QUrl url;
    /// The whole exchange, from the request to the last byte; past it the request is ended.
    std::chrono::milliseconds timeLimit{std::chrono::seconds(10)};
    /// Bytes of body held; a longer body ends the request, and the reply is marked tooLarge.
    qsizetype maxBytes = 1024;
};

struct WebReply {
    int status = 0;  ///< the HTTP status of the final answer (after redirects); 0 when none came
    QByteArray body; ///< the whole body; empty unless it came complete within maxBytes
    bool timedOut = false;
    bool tooLarge = false;
    bool cancelled = false;
    QString error; ///< why the request failed, for the log; empty when a complete answer came

    /// A complete answer with a 2xx status.
    bool succeeded() const
    {
        return error.isEmpty() && !timedOut && !tooLarge && !cancelled && status >= 200 && status < 300;
    }
};

/// A request started by WebClient::get. Harmless to use once the request has ended.
class WebHandle {
public:
    WebHandle() = default;
    explicit WebHandle(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    /// Ends the request; its finish callback still comes, with WebReply::cancelled set.
    void cancel() const
    {
        if (m_cancel)
            m_cancel();
    }

private:
    std::function<void()> m_cancel;
};

/// The network, for the few operations that ask a web service.
class WebClient {
public:
    using FinishedCallback = std::function<void(const WebReply& reply)>;
    virtual ~WebClient() = default;
    /// Starts a GET and returns at once. `onFinished` comes exactly once, on the thread of `context`
    /// through its event loop, and never once `context` has been destroyed. Nothing is cached.
    virtual WebHandle get(const WebRequest& request, QObject* context, FinishedCallback onFinished) = 0;
};

/// The machine's network, through Qt's network access.
class NetworkWebClient : public WebClient {
public:
    NetworkWebClient();
    ~NetworkWebClient() override;
    WebHandle get(const WebRequest& request, QObject* context, FinishedCallback onFinished) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace trevalo
