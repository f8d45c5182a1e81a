#include "profile/ReportDates.h"

#include "profile/ChangeDetection.h"

#include <QLocale>
#include <QTimeZone>

namespace trevalo {

QString reportHeaderDate(const QDateTime& time)
{
    return changes::recordDate(time) + u'\n' +
           time.timeZone().displayName(time, QTimeZone::LongName, QLocale::c());
}

} // namespace trevalo
