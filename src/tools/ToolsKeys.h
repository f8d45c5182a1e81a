#pragma once

namespace trevalo::keys {

/// The web address that answers a GET with the caller's public address as plain text (an http or https
/// address; the public service below when absent).
inline constexpr const char* externalAddressLookupUrl = "externalAddressLookupURL";
inline constexpr const char* defaultExternalAddressLookupUrl = "https://api.ipify.org";

} // namespace trevalo::keys
