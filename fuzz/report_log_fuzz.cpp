// The report log as the window reads it: the header index, reports by number, both navigation steps and
// the number after the first parenthesis, over any log text. A report found for n must begin with the
// header of n; a step must show the report next to the shown one.

#include "FuzzCheck.h"
#include "profile/ReportLog.h"

#include <QVector>
#include <climits>

using namespace trevalo::reportlog;
using trevalo::fuzz::require;

namespace {

/// Numbers around `n`, kept in the 32-bit range.
void addAround(QVector<int>& numbers, qint64 n)
{
    for (qint64 m = n - 1; m <= n + 1; ++m) {
        if (m >= INT_MIN && m <= INT_MAX)
            numbers << int(m);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = trevalo::fuzz::text(data, size);
    const ReportLogIndex log(text);
    require(log.firstNumber() == returnTimestampInt(text), "the first number is the log's timestamp number");
    require(log.reportCount() >= 0, "the report count is not negative");

    QVector<int> numbers{INT_MIN, 0, 1, INT_MAX};
    addAround(numbers, log.firstNumber());
    if (const std::optional<int> highest = log.highestNumber())
        addAround(numbers, *highest);

    for (const int n : numbers) {
        if (const std::optional<QString> report = log.report(n)) {
            require(report->startsWith(u"timestamp (", Qt::CaseInsensitive),
                    "a report begins with its header", *report);
            require(returnTimestampInt(*report) == n, "a report's header names its number", *report);
        }
        for (const int counted : {0, log.reportCount()}) {
            if (const std::optional<NavigatedReport> back = navigate(LogStep::Previous, n, n, counted, log)) {
                require(n > log.firstNumber() && counted > 0, "previous moves only past the first report");
                require(back->indicator == n - 1 && log.report(n - 1) == back->text,
                        "previous shows the report before", back->text);
            }
            if (const std::optional<NavigatedReport> next = navigate(LogStep::Next, n, n, counted, log)) {
                require(n < INT_MAX && log.report(n + 1) == next->text, "next shows the report after",
                        next->text);
            }
        }
    }
    return 0;
}
