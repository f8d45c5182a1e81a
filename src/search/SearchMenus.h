#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace trevalo {

/// Which items of a SuperSearch result menu are enabled as the menu opens. Only the menus whose title
/// contains "SuperSearch Menu" or "Action Menu" are adjusted; for any other menu the answer is absent.
/// `enabled` holds the items' current states, which the rules keep where they say nothing.
std::optional<QVector<bool>> menuWillOpen(const QString& menuTitle, const QStringList& itemTitles,
                                          QVector<bool> enabled, bool hasResults, bool hasSelection);

} // namespace trevalo
