#pragma once

#include <QHash>
#include <QString>
#include <QStringView>
#include <QVector>
#include <climits>
#include <optional>

/// The report log: every profile report the program has made, oldest first, each beginning with its
/// header "Timestamp (<number>):".
namespace trevalo::reportlog {

/// The report log's and the change log's names in the support folder.
inline constexpr const char* kReportLogName = "tr2.log";
inline constexpr const char* kChangeLogName = "tr2Change.log";

/// The number read after the first "(" of a text ("returnTimestampInt:"): blanks skipped, an optional
/// sign, digits up to the first other character; 0 when there is no "(" or no digit. Applied to a report
/// or to the whole log it gives the number of the first report in it.
int returnTimestampInt(QStringView text);

/// A size in bytes as the window shows it ("humanreadablefilesize:"): "< 1Mb" below a million bytes,
/// else megabytes with two decimals, "1.23Mb". Sizes past 2 GiB are read whole.
QString humanReadableFileSize(qint64 bytes);

/// A file's text for a log tab ("defaultSearchForALog:"): "No changes yet!" when the file is missing,
/// unreadable or empty.
QString defaultSearchForALog(const QString& hostPath);

/// The log text with its headers found once, so that stepping through reports does not scan the whole
/// log again at every step.
class ReportLogIndex {
public:
    explicit ReportLogIndex(QString logText);

    const QString& text() const { return m_text; }
    /// The number of the first report in the log.
    int firstNumber() const { return m_firstNumber; }
    /// Occurrences of the word "timestamp" in any case: every header, and any other use of the word.
    int reportCount() const { return m_wordCount; }
    /// The highest report number that has a header; absent when the log holds no report.
    std::optional<int> highestNumber() const;
    /// Report n: from the first header of n up to the first following header of n + 1, or to the end.
    /// Absent when the log has no header of n.
    std::optional<QString> report(int number) const;
    /// The report after n ("incrementLog:log:"); none after the highest number an int holds.
    std::optional<QString> incrementLog(int number) const
    {
        return number < INT_MAX ? report(number + 1) : std::nullopt;
    }

private:
    QString m_text;
    int m_firstNumber = 0;
    int m_wordCount = 0;
    QHash<int, QVector<qsizetype>> m_headers; // number to where its headers start, in order
};

/// A step through the stored reports from the window's navigation controls ("logView:" with tag 1 or 2).
enum class LogStep { Previous = 1, Next = 2 };

struct NavigatedReport {
    int indicator = 0; ///< the number the window's indicator shows afterwards
    QString text;      ///< the stored report, shown black on white
};

/// What a step shows, or nothing when the step does nothing. `shownNumber` is the number of the report
/// in the view, `indicatorValue` the number in the indicator field, `logCountValue` the number in the
/// report-count field.
std::optional<NavigatedReport> navigate(LogStep step, int shownNumber, int indicatorValue, int logCountValue,
                                        const ReportLogIndex& log);

struct RunNumber {
    int number = 1;
    /// The very first run: its report is discarded and the run made again as number 2.
    bool firstRun = true;
};

/// The number of the next profile run from the stored number ("timestampInt"; absent or below 1 reads
/// as none) and the log. Without a stored number the run is the first one only when the log holds no
/// report: a number lost with a settings file that was set aside must not delete the user's reports, so
/// numbering goes on after the highest report in the log.
RunNumber nextRunNumber(std::optional<qint64> stored, const ReportLogIndex& log);

} // namespace trevalo::reportlog
