#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

/// Comparing a watched list with its snapshot from the previous profile run, and the change records
/// the change log is made of.
namespace trevalo::changes {

/// The removed marker (shown in orange) and the added marker (shown in magenta).
inline constexpr const char* kRemovedMarker = "    --removed";
inline constexpr const char* kAddedMarker = "    + added";

/// What was in `previous` and is in `current` no more ("itemDeleted:newArray:"): `previous` in its own
/// order, without every element equal to one of `current`; a repeated name that is gone stays repeated.
QStringList itemDeleted(const QStringList& previous, const QStringList& current);

/// What is in `current` and was not in `previous` ("itemAdded:newArray:"): `current` sorted by code
/// units, case-sensitively, without every element equal to one of `previous`.
QStringList itemAdded(const QStringList& previous, const QStringList& current);

/// The same list with blanks and tabs (not line breaks) taken off both ends of each text ("trim:").
QStringList trim(const QStringList& texts);

/// The indent before a record's change ("formatSpacingForStringLength"): 38 blanks.
QString formatSpacingForStringLength();

/// The date as a change record shows it: "29 Dec, 2025  11:58:07 PM". The year is the calendar year,
/// not the week-based one, which prints the next year in the last days of December.
QString recordDate(const QDateTime& time);

/// One change record as the change log holds it: a line feed, "Location$ <location>", the item, the
/// indent with the change and its date, and the rule, with no line feed after it. The location is
/// trimmed of blanks and line breaks and gets a final "/" unless it holds a ":" (the login items'
/// heading).
QString changeRecord(const QString& item, const QString& change, const QDateTime& time,
                     const QString& location);

/// The change records of one kind of change in one place at one time, which differ only in their item.
/// The rest of the record is made once: formatting the date alone costs more than the rest of a record,
/// and a first run records every entry of every folder.
class RecordMaker {
public:
    RecordMaker(const QString& change, const QDateTime& time, const QString& location);
    /// The record of one item, as changeRecord() makes it.
    QString record(const QString& item) const;

private:
    QString m_head; ///< the line feed and the location line
    QString m_tail; ///< the change line with its date, and the rule
};

} // namespace trevalo::changes
