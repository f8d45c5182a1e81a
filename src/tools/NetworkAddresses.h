#pragma once

#include "platform/CommandRunner.h"
#include "platform/Services.h"
#include "platform/WebClient.h"

#include <QObject>
#include <QUrl>
#include <chrono>
#include <optional>

/// The machine's three addresses: external (from a web service), router and local (from the system's
/// tools through AppleScript), and the network address window's controller.
namespace trevalo {

/// The router's address: the last word of the default route's gateway line.
inline constexpr const char* kRouterScript = "do shell script \"route get default | grep gateway\"\n"
                                             "last word of result";
/// The local address: the last of the interfaces' IPv4 addresses.
inline constexpr const char* kLocalAddressScript =
    "do shell script \"ifconfig | grep inet | grep -v inet6 | cut -d\\\" \\\" -f2\"\n"
    "last word of the result";

/// What the router field shows without a default route.
inline constexpr const char* kRouterNoConnection = "No connection";
/// What the external field shows without an answer; the leading blank lines it up with " <address>".
inline constexpr const char* kExternalNoConnection = " No connection";

/// The longest trimmed answer of the lookup service that can be an address.
inline constexpr qsizetype kMaxAddressBytes = 64;
/// How long the lookup may take.
inline constexpr std::chrono::seconds kLookupTimeLimit{10};

/// The router field ("getGateway") from the router script's run: the output as printed, line feed
/// included, or "No connection" when the script failed or printed nothing.
QString gatewayText(const CommandRunner::Result& result);
/// The local field ("getLocalIP") from the local script's run: the output as printed; empty when the
/// script failed (there is no fallback).
QString localAddressText(const CommandRunner::Result& result);

/// True when the bytes are one IPv4 address in dotted decimal or one IPv6 address, and nothing else.
bool isIpAddress(const QByteArray& text);
/// The public address in a lookup's reply: only a complete 2xx answer whose body, trimmed, is at most
/// 64 bytes and an IPv4 or IPv6 address. An error page, HTML, a long or non-UTF-8 body is no address.
std::optional<QString> externalAddress(const WebReply& reply);
/// The external field from a lookup's reply: " " and the address, or " No connection".
QString externalAddressText(const WebReply& reply);

/// Where the lookup asks.
struct LookupAddress {
    QUrl url;        ///< invalid when the setting is unusable
    QString problem; ///< why the stored setting is unusable, for the user; empty otherwise
};
/// The stored lookup address, or the public default when none is stored. A stored value that is not
/// an http or https address is not used.
LookupAddress lookupAddress(const Settings& settings);
/// The lookup's GET: 10 s in all, and no more body than an address can need.
WebRequest lookupRequest(const QUrl& url);

/// The three fields as the window shows them.
struct AddressReadings {
    QString externalIP;
    QString routerAddress;
    QString localNode;
    QString problem; ///< a setting that kept the lookup from being made; empty otherwise
};
/// The three readings, waiting for each: the command line's form.
AddressReadings readAddressesBlocking(const Services& services, WebClient& web);

/// The network address window's controller: the three fields and the refresh. The two scripts and the
/// lookup run side by side without blocking; each field changes when its answer comes. A refresh
/// started while one runs replaces it, so an older answer never overwrites a newer one.
class TRDisplayIP : public QObject {
    Q_OBJECT
public:
    TRDisplayIP(Services services, WebClient& web, QObject* parent = nullptr);
    ~TRDisplayIP() override;

    /// Fills the window again: the router and local scripts and the lookup ("refreshIP:").
    void refreshIP();
    /// Starts the external-address lookup ("getIPFromCurl"); replaces one that is running.
    void getIPFromCurl();

    void setIPAddressTitle(const QString& text);
    void setRouterTitle(const QString& text);
    void setLocalNodeTitle(const QString& text);

    const QString& externalIP() const { return m_externalIP; }
    const QString& routerAddress() const { return m_routerAddress; }
    const QString& localNode() const { return m_localNode; }
    /// The spinner turns while any answer of a refresh is out.
    bool isRefreshing() const { return m_routerHandle || m_localHandle || m_lookupHandle; }

    /// For tests: a lookup that may not take the full 10 s.
    void setLookupTimeLimit(std::chrono::milliseconds limit) { m_lookupTimeLimit = limit; }

signals:
    /// A field changed, or the spinner started or stopped.
    void changed();

private:
    void cancelScripts();

    Services m_services;
    WebClient& m_web;
    std::chrono::milliseconds m_lookupTimeLimit = kLookupTimeLimit;
    QString m_externalIP;
    QString m_routerAddress;
    QString m_localNode;
    // The runs out; empty once answered. Each answer checks it is still the one awaited.
    std::optional<RunHandle> m_routerHandle;
    std::optional<RunHandle> m_localHandle;
    std::optional<WebHandle> m_lookupHandle;
    quint64 m_scriptRound = 0;
    quint64 m_lookupRound = 0;
};

} // namespace trevalo
