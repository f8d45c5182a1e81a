#pragma once

#include "taskpad/ListItem.h"
#include "taskpad/TaskPadFile.h"

#include <QAbstractItemModel>
#include <QPersistentModelIndex>

namespace trevalo {

/// The task outline: the tasks of the task pad file as an item model, and the operations of the
/// outline's controls. Views only show it and pass the user's actions in; what the views should do in
/// return (expand, collapse, select, open the calendar or the notes) comes out as signals.
///
/// Nearly every change ends in an automatic save of the file. One commit step (the view ends a name
/// being edited, the notes pane stores its note, then the automatic save) runs after each drop, before
/// every reload and when the window closes or the program quits.
class OutlineViewController : public QAbstractItemModel {
    Q_OBJECT
public:
    /// Columns by position, as the window's outline has them.
    enum Column { Completed, Name, Time, ColumnCount };
    enum Role {
        /// Time column: whether the calendar button shows (else it is there but transparent).
        CalendarButtonShownRole = Qt::UserRole + 1,
        /// Time column: whether the note button shows.
        NoteButtonShownRole,
        /// Name and time columns: the text's colour, a TextColour (the logic knows no QColor).
        TextColourRole,
    };
    enum class TextColour { White, LightGrey, Yellow, Green };
    /// The drag format that names a task of this outline.
    static constexpr const char* kTaskMimeType = "application/x-trevalo-task";

    /// Loads the task pad file ("init").
    explicit OutlineViewController(TaskPadFile& file, QObject* parent = nullptr);
    ~OutlineViewController() override;

    /// The outline's root; its sub-tasks are the top-level tasks ("items").
    ListItem& items() { return *m_root; }
    ListItem* itemAt(const QModelIndex& index) const;
    QModelIndex indexOf(const ListItem* item, int column = 0) const;
    /// Every task in the order of the fully expanded outline.
    QVector<ListItem*> displayOrder() const;

    // The outline's actions. Operations on a selected row take an invalid index when none is selected.
    /// A new task under the selected one, or at the end of the top level ("add:"). Invalid when the
    /// selected task lies at the deepest level a task may have.
    QModelIndex add(const QModelIndex& selected, const QString& name = QStringLiteral("Untitled"));
    /// A new task at the top of the top level; saved by the selection change that follows ("addFolder:").
    QModelIndex addFolder();
    /// Removes the selected task with its sub-tasks, then saves ("remove:").
    void remove(const QModelIndex& selected);
    /// The end of editing of a name field: renames the task of that row, keeping one nesting prefix.
    void rename(const QModelIndex& index, const QString& text);
    /// The row's check box ("setTaskIsDone:"): done spreads to the sub-tasks; done also collapses the
    /// task and clears its own due date.
    void setTaskIsDone(const QModelIndex& index, bool done);
    /// Reloads the file (unless the commit before it was refused), then expands or collapses every row.
    void expandItems(bool expand);
    /// Sets a task's note, as the notes pane and the command line do.
    void setNotes(const QModelIndex& index, std::optional<StyledText> notes, bool hasNote);

    /// The row's calendar button ("calendarBtn:"): remembers the task and asks for the calendar.
    void calendarBtn(const QModelIndex& index);
    /// A day picked in the calendar ("didSelectDate:"): due at 00:00 local time of that day; the task
    /// and its sub-tasks become not done.
    void didSelectDate(const QDate& date);
    /// The calendar's reset ("resetCalendar:"): no due date.
    void resetCalendar();
    /// The row's note button ("revealNotes:").
    void revealNotes(const QModelIndex& index);
    /// The outline's selection changed ("outlineViewSelectionDidChange:").
    void outlineViewSelectionDidChange();

    /// The commit step. False when the save was refused or failed.
    bool commit();
    /// Commits, then loads the file again ("reloadTable"); false, keeping the outline, when the commit
    /// was refused.
    bool reloadTable();
    /// Loads the file again, dropping what was not saved (the user's choice in the save-as sheet).
    void revertToFile();

    // The file operations, with the outline's items.
    QString getTaskPadPath() { return m_file.getTaskPadPath(); }
    void setTaskPadPath(const QString& path) { m_file.setTaskPadPath(path); }
    void loadFromDisk();
    bool saveListToFile(const SaveTarget& target) { return m_file.saveListToFile(*m_root, target); }
    TaskPadFile& file() { return m_file; }

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    /// Starts a drag of the first task among `indexes`: its name as text, and this outline's mark.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    /// Moves the dragged task to `row` of `parent` (to its end for a drop onto the task itself), then
    /// commits. Refused for drags that did not start in this outline and for drops onto the dragged
    /// task or one of its sub-tasks.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    /// Before a save of the commit step: end the name edit, store the open note.
    void aboutToCommit();
    void expandRequested(const QModelIndex& index);
    /// Collapse the task with all its sub-tasks.
    void collapseRequested(const QModelIndex& index);
    void expandAllRequested(bool expand);
    /// Add the row to the selection.
    void selectionRequested(const QModelIndex& index);
    /// Show the calendar for the task, on `date`.
    void calendarRequested(const QModelIndex& index, const QDateTime& date);
    /// Open the notes pane on a row of the outline as the view shows it.
    void notesRequested(const QModelIndex& index);
    /// Close the notes pane ("closeTextDrawer").
    void closeTextDrawer();
    /// The file changed outside or cannot be written: offer save-as ("showListSaveAsPanel").
    void saveAsRequested();

private:
    /// The task being dragged, if the data names one of this outline's drags.
    ListItem* draggedItem(const QMimeData* data) const;
    bool dropAllowed(const ListItem* dragged, const ListItem* target) const;
    void rowsChanged(ListItem* item, bool withSubTasks);
    bool automaticSave() { return m_file.saveListToFile(*m_root, SaveTarget::automatic()); }
    QDateTime now() const { return m_file.services().clock.now(); }

    TaskPadFile& m_file;
    std::unique_ptr<ListItem> m_root;
    QByteArray m_identity;
    mutable QPersistentModelIndex m_dragged;
    mutable quint64 m_dragSerial = 0;
    QPersistentModelIndex m_calendarItem;
    QDateTime m_calendarDate;
};

/// A task's level in its outline: 1 for a top-level task.
int levelOf(const ListItem* item);

} // namespace trevalo
