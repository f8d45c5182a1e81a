#pragma once

class QString;

namespace trevalo {

class Settings;

/// The search window's options, as the user last set them.
struct SearchOptions {
    bool searchIsDeep = false;    ///< the find engine rather than Spotlight
    bool searchIsContent = false; ///< file contents rather than names
    bool searchIsString = false;  ///< the term may stand anywhere in the name
    bool searchCase = false;      ///< case-sensitive
    bool searchWebH = false;      ///< keep web-history hits (Spotlight only)
    bool searchEmail = false;     ///< keep mail-message hits (Spotlight only)

    bool operator==(const SearchOptions&) const = default;
};

/// Reads the six options as the window does when it opens: in its order, each key that is not YES is
/// written back as NO, so that all six exist afterwards. Does not write the settings to disk.
SearchOptions loadSearchOptions(Settings& settings);

} // namespace trevalo
