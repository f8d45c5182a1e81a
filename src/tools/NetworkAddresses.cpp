#include "tools/NetworkAddresses.h"

#include "platform/Log.h"
#include "tools/ToolsKeys.h"

#include <QEventLoop>
#include <arpa/inet.h>

namespace trevalo {

namespace {

/// Standard output of a script run; a run that failed, was ended or could not start printed nothing.
QString scriptOutput(const CommandRunner::Result& result)
{
    return result.succeeded() ? decodeUtf8(result.output) : QString();
}

CommandRunner::Request scriptRequest(const CommandRunner& runner, const char* script)
{
    return runner.scriptRequest(QString::fromUtf8(script));
}

} // namespace

QString gatewayText(const CommandRunner::Result& result)
{
    const QString output = scriptOutput(result);
    return output.trimmed().isEmpty() ? QString::fromLatin1(kRouterNoConnection) : output;
}

QString localAddressText(const CommandRunner::Result& result)
{
    const QString output = scriptOutput(result);
    return output.isNull() ? QStringLiteral("") : output;
}

bool isIpAddress(const QByteArray& text)
{
    if (text.isEmpty() || text.size() > kMaxAddressBytes)
        return false;
    // Only the characters of the two notations: the parse below reads up to a NUL, and a zone ("%en0")
    // or anything else after the address must not pass.
    for (const char c : text) {
        const bool allowed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
                             c == '.' || c == ':';
        if (!allowed)
            return false;
    }
    const QByteArray terminated = text + '\0';
    unsigned char parsed[16];
    if (text.contains(':'))
        return inet_pton(AF_INET6, terminated.constData(), parsed) == 1;
    return inet_pton(AF_INET, terminated.constData(), parsed) == 1;
}

std::optional<QString> externalAddress(const WebReply& reply)
{
    if (!reply.succeeded())
        return std::nullopt;
    const QByteArray trimmed = reply.body.trimmed();
    if (!isIpAddress(trimmed))
        return std::nullopt;
    return QString::fromLatin1(trimmed);
}

QString externalAddressText(const WebReply& reply)
{
    if (const std::optional<QString> address = externalAddress(reply))
        return u' ' + *address;
    return QString::fromLatin1(kExternalNoConnection);
}

LookupAddress lookupAddress(const Settings& settings)
{
    const QString key = QString::fromLatin1(keys::externalAddressLookupUrl);
    if (!settings.contains(key))
        return {QUrl(QString::fromLatin1(keys::defaultExternalAddressLookupUrl)), QString()};
    const QString stored = settings.stringForKey(key);
    const QUrl url(stored, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (stored.isNull() || !url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https"))
        return {QUrl(), QStringLiteral("the setting %1 is not an http or https address: \"%2\"")
                            .arg(key, stored.isNull() ? QStringLiteral("(not a text)") : stored)};
    return {url, QString()};
}

WebRequest lookupRequest(const QUrl& url)
{
    // A little more than an address needs, so that an address padded with blanks still fits.
    return {.url = url, .timeLimit = kLookupTimeLimit, .maxBytes = 1024};
}

namespace {

void logLookupFailure(const QUrl& url, const WebReply& reply)
{
    if (!reply.error.isEmpty())
        TR_LOG("The external address lookup at %1 failed: %2", url.toString(), reply.error);
    else if (!reply.succeeded())
        TR_LOG("The external address lookup at %1 answered with status %2", url.toString(),
               QString::number(reply.status));
    else
        TR_LOG("The external address lookup at %1 answered with what is not an address", url.toString());
}

} // namespace

AddressReadings readAddressesBlocking(const Services& services, WebClient& web)
{
    AddressReadings readings;
    const LookupAddress lookup = lookupAddress(services.settings);
    QObject receiver;
    QEventLoop loop;
    std::optional<WebReply> reply;
    if (lookup.url.isValid()) {
        // The lookup runs while the scripts do; its answer waits in the event queue.
        web.get(lookupRequest(lookup.url), &receiver, [&](const WebReply& r) {
            reply = r;
            loop.quit();
        });
    } else {
        readings.problem = lookup.problem;
    }
    readings.routerAddress = gatewayText(services.runner.run(scriptRequest(services.runner, kRouterScript)));
    readings.localNode =
        localAddressText(services.runner.run(scriptRequest(services.runner, kLocalAddressScript)));
    if (lookup.url.isValid() && !reply)
        loop.exec();
    readings.externalIP = reply ? externalAddressText(*reply) : QString::fromLatin1(kExternalNoConnection);
    if (reply && !externalAddress(*reply))
        logLookupFailure(lookup.url, *reply);
    return readings;
}

TRDisplayIP::TRDisplayIP(Services services, WebClient& web, QObject* parent)
    : QObject(parent), m_services(services), m_web(web)
{
}

TRDisplayIP::~TRDisplayIP()
{
    cancelScripts();
    if (m_lookupHandle)
        m_lookupHandle->cancel();
}

void TRDisplayIP::cancelScripts()
{
    ++m_scriptRound;
    for (std::optional<RunHandle>* handle : {&m_routerHandle, &m_localHandle}) {
        if (*handle)
            (*handle)->cancel();
        handle->reset();
    }
}

void TRDisplayIP::refreshIP()
{
    cancelScripts();
    const quint64 round = m_scriptRound;
    CommandRunner& runner = m_services.runner;
    m_routerHandle = runner.start(scriptRequest(runner, kRouterScript), this, nullptr,
                                  [this, round](const CommandRunner::Result& result) {
                                      if (round != m_scriptRound)
                                          return;
                                      m_routerHandle.reset();
                                      setRouterTitle(gatewayText(result));
                                  });
    m_localHandle = runner.start(scriptRequest(runner, kLocalAddressScript), this, nullptr,
                                 [this, round](const CommandRunner::Result& result) {
                                     if (round != m_scriptRound)
                                         return;
                                     m_localHandle.reset();
                                     setLocalNodeTitle(localAddressText(result));
                                 });
    getIPFromCurl();
}

void TRDisplayIP::getIPFromCurl()
{
    if (m_lookupHandle)
        m_lookupHandle->cancel();
    const quint64 round = ++m_lookupRound;
    const LookupAddress lookup = lookupAddress(m_services.settings);
    if (!lookup.url.isValid()) {
        TR_LOG("The external address is not looked up: %1", lookup.problem);
        m_lookupHandle.reset();
        setIPAddressTitle(QString::fromLatin1(kExternalNoConnection));
        return;
    }
    WebRequest request = lookupRequest(lookup.url);
    request.timeLimit = m_lookupTimeLimit;
    m_lookupHandle = m_web.get(request, this, [this, round, url = lookup.url](const WebReply& reply) {
        if (round != m_lookupRound)
            return;
        m_lookupHandle.reset();
        if (!externalAddress(reply))
            logLookupFailure(url, reply);
        setIPAddressTitle(externalAddressText(reply));
    });
    emit changed(); // the spinner
}

void TRDisplayIP::setIPAddressTitle(const QString& text)
{
    m_externalIP = text;
    emit changed();
}

void TRDisplayIP::setRouterTitle(const QString& text)
{
    m_routerAddress = text;
    emit changed();
}

void TRDisplayIP::setLocalNodeTitle(const QString& text)
{
    m_localNode = text;
    emit changed();
}

} // namespace trevalo
