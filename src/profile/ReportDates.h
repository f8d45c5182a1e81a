#pragma once

#include <QDateTime>
#include <QString>

namespace trevalo {

/// The date under a report's header: "1 Mar, 2026  9:05:07 AM", a line feed, and the long name of the
/// time zone ("Central European Standard Time"). The year is the calendar year: the week-based year
/// printed the next one in the last days of December.
QString reportHeaderDate(const QDateTime& time);

} // namespace trevalo
