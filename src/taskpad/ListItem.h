#pragma once

#include "taskpad/StyledText.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <memory>
#include <optional>
#include <vector>

namespace trevalo {

/// One task of the task pad, with its sub-tasks.
///
/// The item owns its sub-tasks and knows its parent. The top level of an outline is itself held by an
/// item (the outline's root), whose name is never shown or saved.
class ListItem {
public:
    /// A new task: not done, no note, no due date, no sub-tasks ("initWithName:"; "init" is "Untitled").
    explicit ListItem(QString name = QStringLiteral("Untitled"));
    ~ListItem();
    ListItem(const ListItem&) = delete;
    ListItem& operator=(const ListItem&) = delete;

    /// The instant that means "no due date": 1970-01-01 00:00:00 UTC.
    static QDateTime noDate();
    /// Seconds between 1970-01-01 and 2001-01-01 (UTC), the archive's reference date.
    static constexpr double kReferenceDateOffset = 978307200.0;

    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    /// The note; absent when the task has none.
    const std::optional<StyledText>& notes() const { return m_notes; }
    void setNotes(std::optional<StyledText> notes) { m_notes = std::move(notes); }
    /// Whether the note is the user's (the row shows its note button).
    bool hasNote() const { return m_hasNote; }
    void setHasNote(bool hasNote) { m_hasNote = hasNote; }

    bool taskIsDone() const { return m_taskIsDone; }
    /// Marks every sub-task, then the task itself ("setTaskIsDone:").
    void setTaskIsDone(bool done);
    /// Sets the flag of this task alone, as reading a file does.
    void setTaskIsDoneFlag(bool done) { m_taskIsDone = done; }

    /// The due date; noDate() when there is none.
    QDateTime completionDate() const;
    void setCompletionDate(const QDateTime& date);
    /// The due date in seconds since 2001-01-01 UTC, exactly as the file keeps it.
    double completionInterval() const { return m_completionInterval; }
    void setCompletionInterval(double seconds) { m_completionInterval = seconds; }
    bool hasDueDate() const { return m_completionInterval != -kReferenceDateOffset; }

    /// The remaining-days text ("3", "0", "-2") of the due date as seen at `now` in `zone`, and stored
    /// as the last computed text; null when there is no due date or it lies more than 3650 days away.
    QString daysToComplete(const QDateTime& now, const QTimeZone& zone = QTimeZone::systemTimeZone());
    /// The text last computed or read from the file; never shown as it is.
    const QString& storedDaysToComplete() const { return m_daysToComplete; }
    void setDaysToComplete(const QString& text) { m_daysToComplete = text; }

    /// Whole calendar days between the local dates of two instants in `zone`, never negative
    /// ("getDaysDifferenceBetween:and:"). A day across a clock change counts as one day.
    static qint64 getDaysDifferenceBetween(const QDateTime& a, const QDateTime& b,
                                           const QTimeZone& zone = QTimeZone::systemTimeZone());

    // The sub-tasks, in display order.
    int childCount() const { return int(m_children.size()); }
    ListItem* child(int index) const { return m_children[size_t(index)].get(); }
    const std::vector<std::unique_ptr<ListItem>>& children() const { return m_children; }
    /// Position among the sub-tasks; -1 when `item` is not one of them.
    int indexOf(const ListItem* item) const;
    /// The task this one is a sub-task of (the outline's root for a top-level task); null when none.
    ListItem* parent() const { return m_parent; }

    /// Gives the child's name its nesting prefix, then appends it ("addChild:").
    ListItem* addChild(std::unique_ptr<ListItem> child);
    /// Inserts a child at `index` (clamped to the list) with its name as it is.
    ListItem* insertChild(int index, std::unique_ptr<ListItem> child);
    std::unique_ptr<ListItem> takeChild(int index);
    /// Takes a child out of the sub-tasks ("removeChild:"); null when it is not one of them.
    std::unique_ptr<ListItem> removeChild(const ListItem* child);

    /// Whether `item` is this task or lies anywhere below it.
    bool contains(const ListItem* item) const;
    /// Levels of tasks from this one down to its deepest sub-task, this one included (1 with none).
    int height() const;

    /// The leading spaces a sub-task of a task named `parentName` carries: four more than the blanks
    /// (spaces and tabs) around the parent's name.
    static QString nestingPrefixFor(const QString& parentName);

private:
    QString m_name;
    std::optional<StyledText> m_notes;
    QString m_daysToComplete;
    double m_completionInterval = -kReferenceDateOffset;
    bool m_taskIsDone = false;
    bool m_hasNote = false;
    ListItem* m_parent = nullptr;
    std::vector<std::unique_ptr<ListItem>> m_children;
};

} // namespace trevalo
