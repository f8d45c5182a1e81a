#include "search/SearchOptions.h"

#include "platform/Settings.h"
#include "search/SearchKeys.h"

namespace trevalo {

SearchOptions loadSearchOptions(Settings& settings)
{
    auto read = [&settings](const char* key) {
        const bool on = settings.boolForKey(key);
        if (!on)
            settings.setBool(key, false);
        return on;
    };
    SearchOptions options;
    options.searchEmail = read(keys::searchForEmail);
    options.searchWebH = read(keys::searchForWebHistory);
    options.searchCase = read(keys::searchForCase);
    options.searchIsContent = read(keys::searchForContent);
    options.searchIsString = read(keys::searchForString);
    options.searchIsDeep = read(keys::searchForDepth);
    return options;
}

} // namespace trevalo
