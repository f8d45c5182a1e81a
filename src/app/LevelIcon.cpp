#include "app/LevelIcon.h"

namespace trevalo {

const LevelRow* levelRowFor(double percent)
{
    const LevelRow* match = nullptr;
    for (const LevelRow& row : kLevelRows) {
        if (row.lower < percent && percent < row.upper)
            match = &row;
    }
    return match;
}

QString levelImageFor(double percent, const QString& previousImage)
{
    const LevelRow* row = levelRowFor(percent);
    return row ? QString::fromLatin1(row->image.data(), qsizetype(row->image.size())) : previousImage;
}

QString iconResourcePath(const QString& imageName)
{
    return QStringLiteral(":/icons/") + imageName + QStringLiteral(".svg");
}

QString warningText(WarningBand band)
{
    switch (band) {
    case WarningBand::First:
        return QStringLiteral("Lack of disk space can cause problems!");
    case WarningBand::Second:
        return QStringLiteral("Lack of disk space may be causing problems!");
    case WarningBand::Third:
        return QStringLiteral("Lack of disk space is causing problems!");
    case WarningBand::None:
        break;
    }
    return QString();
}

std::optional<Notification> DiskWarnings::check(double percent, bool highWarning)
{
    const LevelRow* row = levelRowFor(percent);
    if (!row || row->band == WarningBand::None)
        return std::nullopt;
    int& counter = m_counts[size_t(row->band) - 1];
    const bool suppressed = highWarning && row->band != WarningBand::Third;
    std::optional<Notification> warning;
    if (counter < 1 && !suppressed) {
        Notification notification;
        notification.title = QStringLiteral("Trevalo 2 Analyser");
        notification.informativeText = warningText(row->band);
        notification.hasActionButton = false;
        notification.sound = true;
        warning = notification;
    }
    ++counter;
    return warning;
}

int DiskWarnings::count(WarningBand band) const
{
    return band == WarningBand::None ? 0 : m_counts[size_t(band) - 1];
}

} // namespace trevalo
