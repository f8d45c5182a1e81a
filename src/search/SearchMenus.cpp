#include "search/SearchMenus.h"

namespace trevalo {

std::optional<QVector<bool>> menuWillOpen(const QString& menuTitle, const QStringList& itemTitles,
                                          QVector<bool> enabled, bool hasResults, bool hasSelection)
{
    if (!menuTitle.contains(QLatin1String("SuperSearch Menu")) &&
        !menuTitle.contains(QLatin1String("Action Menu")))
        return std::nullopt;
    enabled.resize(itemTitles.size());
    for (qsizetype i = 0; i < itemTitles.size(); ++i) {
        const QString& title = itemTitles[i];
        if (!hasResults) {
            if (title.startsWith(QLatin1String("Copy ")))
                enabled[i] = false;
        } else if (!hasSelection) {
            enabled[i] = !title.contains(QLatin1String("Selected"));
        } else {
            enabled[i] = true;
        }
    }
    return enabled;
}

} // namespace trevalo
