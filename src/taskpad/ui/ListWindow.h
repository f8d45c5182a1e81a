#pragma once

#include <QDialog>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QSplitter>
#include <QWidget>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QTextEdit;
class QToolBar;
class QToolButton;

namespace trevalo {

class ListItem;
class OutlineViewController;
class TaskOutlineView;
class TaskPad;

/// The split view of the list window: the outline above, the notes pane below.
class TRSplitView : public QSplitter {
    Q_OBJECT
public:
    using QSplitter::QSplitter;
};

/// The task pad's window: the task outline above the notes pane, in one split view, with the find,
/// save-as and custom sheets, the sync button and the action menu. It floats above other windows.
///
/// The notes pane counts as open while it is at least 50 pixels high; closed, it is pushed to nothing
/// and its divider hides and cannot be dragged.
class ListWindow : public QWidget {
    Q_OBJECT
public:
    explicit ListWindow(TaskPad& taskPad, QWidget* parent = nullptr);
    ~ListWindow() override;

    static constexpr int kOpenPaneHeight = 50;
    static constexpr const char* kPlaceholder = "Add a note...";

    TaskOutlineView& outlineView() const { return *m_outlineView; }
    OutlineViewController& ovc() const { return m_ovc; }
    TRSplitView& splitView() const { return *m_splitView; }
    QTextEdit& lowerTV() const { return *m_lowerTV; }
    /// The notes pane's formatting bar: bold, italic, underline, size and colour.
    QToolBar& inspectorBar() const { return *m_inspectorBar; }
    QLabel& statusLabel() const { return *m_statusLabel; }
    QAction& attachMI() const { return *m_attachMI; }
    /// The sheet on the window, if one is up.
    QDialog* attachedSheet() const { return m_sheet; }
    bool notesPaneOpen() const;

    /// Opens or closes the notes pane; `row` opens the note of that row, else of the selected one
    /// ("showSplitView:").
    void showSplitView(const QModelIndex& row = {});
    /// Closes the pane without saving ("closeTextDrawer").
    void closeTextDrawer();
    /// Closes the notes pane and reads the list from the file again ("syncButton:").
    void syncButton();
    /// "refreshTable".
    void refreshTable();

    /// The find sheet ("findMenuAction:").
    void findMenuAction();
    /// Selects the last row whose name holds `text`, case-insensitively, and closes the sheet
    /// ("searchFieldAction:").
    void searchFieldAction(const QString& text);
    /// The save-as sheet, unless a sheet is up already ("showSaveAsSheet:").
    void showSaveAsSheet();
    /// The save-as sheet's Save As: asks for a new file and uses it from then on ("saveAsAndClosePanel:").
    void saveAsAndClosePanel();
    /// The save-as sheet's Reload: the list as the file has it ("reloadAndClosePanel:").
    void reloadAndClosePanel();
    /// The sheet asking for a task to be selected first ("showCustomSheet:").
    void showCustomSheet();
    /// The attach switch: attaching closes the window; the next opening hangs it from the status item
    /// ("actionMenu:").
    void actionMenu();
    /// Saves and closes ("closeForSearchWin").
    void closeForSearchWin();

    /// Asks for the new file's path; empty when cancelled. Tests replace the file dialog.
    std::function<QString()> chooseSaveAsPath;

signals:
    /// "Task Pad Location…": the preferences should show where the task pad file is.
    void locationRequested();
    /// "Help": the task pad's help page.
    void helpRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildInspectorBar();
    void closeNotesPane(bool commitNote);
    void setPaneClosed();
    /// Freezes the divider while the pane is below its open height.
    void updateDivider();
    void plainText();
    /// The search field's editing: "begin" on its first change, "change" on each.
    void controlTextDidChange();
    /// The end of the search field's editing ("control:textShouldEndEditing:", "controlTextDidEndEditing:").
    void controlTextDidEndEditing();
    void storeNote();
    QDialog* makeSheet(const QString& name);
    void showSheet(QDialog* sheet);

    TaskPad& m_taskPad;
    OutlineViewController& m_ovc;
    TaskOutlineView* m_outlineView;
    TRSplitView* m_splitView;
    QWidget* m_notesPane;
    QTextEdit* m_lowerTV;
    QToolBar* m_inspectorBar;
    QLabel* m_statusLabel;
    QAction* m_attachMI;
    QToolButton* m_openNotesButton;
    QPointer<QDialog> m_sheet;
    QDialog* m_findPanel;
    QLineEdit* m_searchField;
    QDialog* m_saveAsPanel;
    QDialog* m_sheetPanel;
    /// The row whose note the pane shows.
    QPersistentModelIndex m_notesRow;
    bool m_observing = false;
    bool m_searchEditing = false;
};

} // namespace trevalo
