#include "platform/WebClient.h"

#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace trevalo {

namespace {

/// What a request has gathered so far; shared by the reply's handlers and the request's handle.
struct Exchange {
    QByteArray body;
    bool timedOut = false;
    bool tooLarge = false;
    bool cancelled = false;
};

} // namespace

struct NetworkWebClient::Private {
    QNetworkAccessManager manager;
};

NetworkWebClient::NetworkWebClient() : d(std::make_unique<Private>()) {}

NetworkWebClient::~NetworkWebClient() = default;

WebHandle NetworkWebClient::get(const WebRequest& request, QObject* context, FinishedCallback onFinished)
{
    QNetworkRequest r(request.url);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply* reply = d->manager.get(r);
    const qsizetype maxBytes = request.maxBytes;
    // Qt stops reading from the connection while this much is waiting, so a long body is never held.
    reply->setReadBufferSize(maxBytes + 1);
    auto exchange = std::make_shared<Exchange>();

    auto take = [reply, exchange, maxBytes] {
        exchange->body += reply->read(maxBytes + 1 - exchange->body.size());
        if (exchange->body.size() > maxBytes && !exchange->tooLarge) {
            exchange->tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(reply, &QIODevice::readyRead, reply, take);

    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, reply, [reply, exchange] {
        exchange->timedOut = true;
        reply->abort();
    });
    limit->start(request.timeLimit);

    QPointer<QObject> receiver(context ? context : &d->manager);
    QObject::connect(
        reply, &QNetworkReply::finished, reply,
        [reply, exchange, take, receiver, request, onFinished = std::move(onFinished)] {
            if (!exchange->timedOut && !exchange->tooLarge && !exchange->cancelled)
                take();
            WebReply out;
            out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            out.timedOut = exchange->timedOut;
            out.tooLarge = exchange->tooLarge;
            out.cancelled = exchange->cancelled;
            if (out.timedOut)
                out.error = QStringLiteral("no complete answer within %1 ms").arg(request.timeLimit.count());
            else if (out.tooLarge)
                out.error = QStringLiteral("the answer is longer than %1 bytes").arg(request.maxBytes);
            else if (out.cancelled)
                out.error = QStringLiteral("cancelled");
            else if (reply->error() != QNetworkReply::NoError)
                out.error = reply->errorString();
            if (out.error.isEmpty())
                out.body = exchange->body;
            reply->deleteLater();
            // Queued, so that a callback never runs inside the handle's cancel().
            if (receiver && onFinished)
                QMetaObject::invokeMethod(
                    receiver.data(), [onFinished, out] { onFinished(out); }, Qt::QueuedConnection);
        });

    return WebHandle([weak = QPointer<QNetworkReply>(reply), exchange] {
        if (weak && weak->isRunning()) {
            exchange->cancelled = true;
            weak->abort();
        }
    });
}

} // namespace trevalo
