#pragma once

namespace trevalo::keys {

/// The web address that answers a GET with the caller's public address as plain text (an http or https
/// address; the public service below when absent).
inline constexpr const char* externalAddressLookupUrl = "externalAddressLookupURL";
inline constexpr const char* defaultExternalAddressLookupUrl = "https://api.ipify.org";

/// YES: a notification when a volume is mounted or ejected; with "alldiskevents" also for system volumes.
inline constexpr const char* diskEvents = "diskevents";
inline constexpr const char* allDiskEvents = "alldiskevents";
/// The start-at-login item's state, written when it is chosen.
inline constexpr const char* startAtLogin = "startAtLogin";

} // namespace trevalo::keys
