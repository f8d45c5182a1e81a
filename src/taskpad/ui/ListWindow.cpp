#include "taskpad/ui/ListWindow.h"

#include "platform/Log.h"
#include "taskpad/OutlineViewController.h"
#include "taskpad/TaskPad.h"
#include "taskpad/ui/NoteRichText.h"
#include "taskpad/ui/TaskOutlineView.h"

#include <QAction>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace trevalo {

namespace {

QToolButton* toolButton(QWidget* parent, const QString& name, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

} // namespace

ListWindow::ListWindow(TaskPad& taskPad, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_taskPad(taskPad), m_ovc(taskPad.outline())
{
    setObjectName("listWindow");
    setWindowTitle(QString());
    resize(420, 520);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 4);
    column->setSpacing(4);

    // The window's controls, left to right.
    auto* controls = new QHBoxLayout;
    QToolButton* add = toolButton(this, "add", "+", tr("New task under the selected one"));
    QToolButton* addTop = toolButton(this, "addFolder", tr("New"), tr("New task at the top"));
    QToolButton* remove = toolButton(this, "remove", QString(QChar(0x2212)), tr("Remove the selected task"));
    QToolButton* expand = toolButton(this, "expand", tr("Expand"), tr("Expand every task"));
    QToolButton* collapse = toolButton(this, "collapse", tr("Collapse"), tr("Collapse every task"));
    QToolButton* find = toolButton(this, "findBtn", tr("Find"), tr("Find a task"));
    m_openNotesButton = toolButton(this, "openNotesButton", tr("Notes"), tr("Show or hide the note"));
    QToolButton* sync = toolButton(this, "syncButton", tr("Sync"), tr("Read the list from its file again"));
    QToolButton* action = toolButton(this, "actionMenu", QString(QChar(0x2699)), tr("More"));
    action->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(action);
    m_attachMI = menu->addAction(tr("Attach to Menu Bar"));
    m_attachMI->setObjectName("attachMI");
    m_attachMI->setCheckable(true);
    QAction* location = menu->addAction(tr("Task Pad Location…"));
    QAction* help = menu->addAction(tr("Task Pad Help"));
    action->setMenu(menu);
    for (QWidget* control :
         {static_cast<QWidget*>(add), static_cast<QWidget*>(addTop), static_cast<QWidget*>(remove),
          static_cast<QWidget*>(expand), static_cast<QWidget*>(collapse)})
        controls->addWidget(control);
    controls->addStretch();
    for (QWidget* control : {static_cast<QWidget*>(find), static_cast<QWidget*>(m_openNotesButton),
                             static_cast<QWidget*>(sync), static_cast<QWidget*>(action)})
        controls->addWidget(control);
    column->addLayout(controls);

    m_outlineView = new TaskOutlineView(m_ovc, this);
    m_notesPane = new QWidget(this);
    m_notesPane->setObjectName("notesPane");
    auto* paneColumn = new QVBoxLayout(m_notesPane);
    paneColumn->setContentsMargins(0, 0, 0, 0);
    paneColumn->setSpacing(0);
    m_inspectorBar = new QToolBar(m_notesPane);
    m_inspectorBar->setObjectName("inspectorBar");
    m_inspectorBar->setIconSize(QSize(14, 14));
    m_lowerTV = new QTextEdit(m_notesPane);
    m_lowerTV->setObjectName("lowerTV");
    m_lowerTV->setAcceptRichText(true);
    // The placeholder is drawn by the editor, never part of the note.
    m_lowerTV->setPlaceholderText(QString::fromLatin1(kPlaceholder));
    QPalette palette = m_lowerTV->palette();
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(190, 190, 190));
    m_lowerTV->setPalette(palette);
    paneColumn->addWidget(m_inspectorBar);
    paneColumn->addWidget(m_lowerTV);
    buildInspectorBar();

    m_splitView = new TRSplitView(Qt::Vertical, this);
    m_splitView->setObjectName("splitView");
    m_splitView->addWidget(m_outlineView);
    m_splitView->addWidget(m_notesPane);
    m_splitView->setCollapsible(0, false);
    m_splitView->setCollapsible(1, true);
    column->addWidget(m_splitView, 1);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName("statusLabel");
    column->addWidget(m_statusLabel);

    // The sheets.
    m_findPanel = makeSheet("findPanel");
    m_searchField = new QLineEdit(m_findPanel);
    m_searchField->setObjectName("searchFieldCell");
    m_searchField->setPlaceholderText(tr("Find a task"));
    m_searchField->setClearButtonEnabled(true);
    auto* findButtons = new QDialogButtonBox(QDialogButtonBox::Cancel, m_findPanel);
    m_findPanel->layout()->addWidget(new QLabel(tr("Select the task whose name contains:"), m_findPanel));
    m_findPanel->layout()->addWidget(m_searchField);
    m_findPanel->layout()->addWidget(findButtons);
    connect(findButtons, &QDialogButtonBox::rejected, m_findPanel, &QDialog::reject);
    // The search field is the window's text control: its editing is logged and clears the outline's
    // selection. Return ends the editing before the find selects its match, so the match stays selected.
    connect(m_searchField, &QLineEdit::returnPressed, this, [this] {
        controlTextDidEndEditing();
        searchFieldAction(m_searchField->text());
    });
    connect(m_searchField, &QLineEdit::textEdited, this, &ListWindow::controlTextDidChange);
    connect(m_searchField, &QLineEdit::editingFinished, this, &ListWindow::controlTextDidEndEditing);
    // A sheet that closes ends the editing in it, also when the field never had the focus to lose.
    connect(m_findPanel, &QDialog::finished, this, &ListWindow::controlTextDidEndEditing);

    m_saveAsPanel = makeSheet("saveAsPanel");
    auto* saveAsText = new QLabel(tr("The task pad file was changed by another program, or cannot be written "
                                     "to. Save this list to a new file, or reload the list from the file "
                                     "and lose the changes made here."),
                                  m_saveAsPanel);
    saveAsText->setWordWrap(true);
    auto* saveAsButtons = new QDialogButtonBox(m_saveAsPanel);
    QPushButton* saveAs = saveAsButtons->addButton(tr("Save As…"), QDialogButtonBox::AcceptRole);
    saveAs->setObjectName("saveAsButton");
    QPushButton* reload = saveAsButtons->addButton(tr("Reload"), QDialogButtonBox::DestructiveRole);
    reload->setObjectName("reloadButton");
    m_saveAsPanel->layout()->addWidget(saveAsText);
    m_saveAsPanel->layout()->addWidget(saveAsButtons);
    connect(saveAs, &QPushButton::clicked, this, &ListWindow::saveAsAndClosePanel);
    connect(reload, &QPushButton::clicked, this, &ListWindow::reloadAndClosePanel);

    m_sheetPanel = makeSheet("sheetPanel");
    auto* okButtons = new QDialogButtonBox(QDialogButtonBox::Ok, m_sheetPanel);
    okButtons->button(QDialogButtonBox::Ok)->setObjectName("okBtn");
    m_sheetPanel->layout()->addWidget(new QLabel(tr("Select a task to see its note."), m_sheetPanel));
    m_sheetPanel->layout()->addWidget(okButtons);
    connect(okButtons, &QDialogButtonBox::accepted, m_sheetPanel, &QDialog::accept);

    connect(add, &QToolButton::clicked, m_outlineView, &TaskOutlineView::add);
    connect(addTop, &QToolButton::clicked, m_outlineView, &TaskOutlineView::addFolder);
    connect(remove, &QToolButton::clicked, m_outlineView, &TaskOutlineView::remove);
    connect(expand, &QToolButton::clicked, this, [this] { m_outlineView->expandItems(true); });
    connect(collapse, &QToolButton::clicked, this, [this] { m_outlineView->expandItems(false); });
    connect(find, &QToolButton::clicked, this, &ListWindow::findMenuAction);
    connect(m_openNotesButton, &QToolButton::clicked, this, [this] { showSplitView(); });
    connect(sync, &QToolButton::clicked, this, &ListWindow::syncButton);
    connect(m_attachMI, &QAction::triggered, this, &ListWindow::actionMenu);
    connect(location, &QAction::triggered, this, [this] {
        close();
        emit locationRequested();
    });
    connect(help, &QAction::triggered, this, &ListWindow::helpRequested);

    connect(&m_ovc, &OutlineViewController::closeTextDrawer, this, &ListWindow::closeTextDrawer);
    connect(&m_ovc, &OutlineViewController::notesRequested, this,
            [this](const QModelIndex& row) { showSplitView(row); });
    connect(&m_ovc, &OutlineViewController::aboutToCommit, this, &ListWindow::storeNote);
    connect(&m_ovc, &OutlineViewController::saveAsRequested, this, &ListWindow::showSaveAsSheet);
    connect(&m_ovc, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        // The rows are about to be replaced: the open note goes with its row.
        if (notesPaneOpen())
            closeTextDrawer();
        m_observing = false;
    });
    connect(m_lowerTV, &QTextEdit::textChanged, this, &ListWindow::plainText);
    connect(m_splitView, &QSplitter::splitterMoved, this, &ListWindow::updateDivider);

    refreshTable();
    m_attachMI->setChecked(m_taskPad.attached());
    setPaneClosed();
}

ListWindow::~ListWindow() = default;

void ListWindow::buildInspectorBar()
{
    QAction* bold = m_inspectorBar->addAction(tr("B"));
    bold->setObjectName("bold");
    bold->setCheckable(true);
    bold->setShortcut(QKeySequence::Bold);
    QFont boldFont = font();
    boldFont.setBold(true);
    bold->setFont(boldFont);
    connect(bold, &QAction::triggered, this,
            [this](bool on) { m_lowerTV->setFontWeight(on ? QFont::Bold : QFont::Normal); });
    QAction* italic = m_inspectorBar->addAction(tr("I"));
    italic->setObjectName("italic");
    italic->setCheckable(true);
    italic->setShortcut(QKeySequence::Italic);
    QFont italicFont = font();
    italicFont.setItalic(true);
    italic->setFont(italicFont);
    connect(italic, &QAction::triggered, m_lowerTV, &QTextEdit::setFontItalic);
    QAction* underline = m_inspectorBar->addAction(tr("U"));
    underline->setObjectName("underline");
    underline->setCheckable(true);
    underline->setShortcut(QKeySequence::Underline);
    QFont underlineFont = font();
    underlineFont.setUnderline(true);
    underline->setFont(underlineFont);
    connect(underline, &QAction::triggered, m_lowerTV, &QTextEdit::setFontUnderline);
    auto* size = new QSpinBox(m_inspectorBar);
    size->setObjectName("fontSize");
    size->setRange(6, 72);
    size->setValue(12);
    size->setSuffix(tr(" pt"));
    m_inspectorBar->addWidget(size);
    connect(size, &QSpinBox::valueChanged, this, [this](int points) { m_lowerTV->setFontPointSize(points); });
    QAction* colour = m_inspectorBar->addAction(tr("Colour"));
    colour->setObjectName("textColour");
    connect(colour, &QAction::triggered, this, [this] {
        const QColor chosen = QColorDialog::getColor(m_lowerTV->textColor(), this, tr("Text Colour"));
        if (chosen.isValid())
            m_lowerTV->setTextColor(chosen);
    });
    // The buttons follow the text at the cursor.
    connect(m_lowerTV, &QTextEdit::currentCharFormatChanged, this,
            [bold, italic, underline, size](const QTextCharFormat& format) {
                bold->setChecked(format.fontWeight() >= QFont::Bold);
                italic->setChecked(format.fontItalic());
                underline->setChecked(format.fontUnderline());
                const QSignalBlocker quiet(size);
                if (format.fontPointSize() > 0)
                    size->setValue(int(format.fontPointSize()));
            });
}

QDialog* ListWindow::makeSheet(const QString& name)
{
    auto* sheet = new QDialog(this, Qt::Sheet);
    sheet->setObjectName(name);
    sheet->setWindowModality(Qt::WindowModal);
    new QVBoxLayout(sheet);
    return sheet;
}

void ListWindow::showSheet(QDialog* sheet)
{
    m_sheet = sheet;
    sheet->open();
}

bool ListWindow::notesPaneOpen() const
{
    const QList<int> sizes = m_splitView->sizes();
    return !m_notesPane->isHidden() && sizes.size() > 1 && sizes[1] >= kOpenPaneHeight;
}

void ListWindow::setPaneClosed()
{
    if (QLayout* column = layout())
        column->activate();
    const QList<int> sizes = m_splitView->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    m_splitView->setSizes({total, 0});
    // A hidden pane takes its divider with it.
    m_notesPane->hide();
    m_splitView->handle(1)->hide();
    updateDivider();
    m_inspectorBar->hide();
    m_statusLabel->clear();
}

void ListWindow::updateDivider()
{
    // Below the open height the divider stays where it is until the pane is opened again.
    m_splitView->handle(1)->setEnabled(notesPaneOpen());
}

void ListWindow::showSplitView(const QModelIndex& row)
{
    m_observing = false;
    m_inspectorBar->hide();
    if (QLayout* column = layout())
        column->activate();

    if (notesPaneOpen()) {
        closeNotesPane(true);
        return;
    }

    QModelIndex at = row.siblingAtColumn(0);
    if (at.isValid()) {
        m_outlineView->selectionModel()->select(at, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    } else {
        at = m_outlineView->selectedTask();
    }
    if (!at.isValid()) {
        showCustomSheet();
        return;
    }
    m_notesRow = at;
    m_outlineView->clearSelection();
    ListItem* item = m_ovc.itemAt(at);

    const QList<int> sizes = m_splitView->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int outline = total / 2 + 20;
    m_notesPane->show();
    m_splitView->setSizes({outline, total - outline});
    m_splitView->handle(1)->show();
    updateDivider();

    m_inspectorBar->show();
    m_statusLabel->setText(item->name().trimmed());
    m_lowerTV->clear();
    m_lowerTV->setTextColor(Qt::black);
    if (item->hasNote() && item->notes())
        showNote(*m_lowerTV->document(), *item->notes());
    m_lowerTV->moveCursor(QTextCursor::End);
    m_observing = true;
}

void ListWindow::closeNotesPane(bool commitNote)
{
    if (commitNote)
        m_ovc.commit();
    m_statusLabel->clear();
    setPaneClosed();
    const QPersistentModelIndex row = m_notesRow;
    m_notesRow = QPersistentModelIndex();
    if (!row.isValid())
        return;
    // Only an empty editor means no note: the placeholder is not part of the text.
    const bool hasNote = !m_lowerTV->document()->isEmpty();
    std::optional<StyledText> note;
    if (hasNote)
        note = noteFromDocument(*m_lowerTV->document());
    m_ovc.setNotes(row, std::move(note), hasNote);
    m_outlineView->selectionModel()->select(row,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ListWindow::plainText()
{
    if (!m_observing)
        return;
    if (m_lowerTV->toPlainText().size() < 2)
        m_lowerTV->setTextColor(Qt::black);
    storeNote();
}

void ListWindow::storeNote()
{
    if (!m_observing || !m_notesRow.isValid() || m_lowerTV->document()->isEmpty())
        return;
    if (ListItem* item = m_ovc.itemAt(m_notesRow)) {
        item->setNotes(noteFromDocument(*m_lowerTV->document()));
        item->setHasNote(true);
    }
}

void ListWindow::closeTextDrawer()
{
    if (m_splitView->sizes().value(1) <= kOpenPaneHeight)
        return;
    m_observing = false;
    m_notesRow = QPersistentModelIndex();
    setPaneClosed();
}

void ListWindow::syncButton()
{
    closeTextDrawer();
    refreshTable();
}

void ListWindow::refreshTable()
{
    // A reload brings new rows; they open expanded, as the outline does when it is made.
    if (m_ovc.reloadTable())
        m_outlineView->expandAll();
}

void ListWindow::findMenuAction()
{
    m_outlineView->clearSelection();
    m_outlineView->expandAll();
    m_searchField->clear();
    showSheet(m_findPanel);
}

void ListWindow::searchFieldAction(const QString& text)
{
    if (!text.isEmpty()) {
        ListItem* last = nullptr;
        for (ListItem* item : m_ovc.displayOrder()) {
            if (item->name().contains(text, Qt::CaseInsensitive))
                last = item;
        }
        if (last)
            m_outlineView->selectionModel()->select(m_ovc.indexOf(last), QItemSelectionModel::ClearAndSelect |
                                                                             QItemSelectionModel::Rows);
    }
    m_findPanel->accept();
}

void ListWindow::controlTextDidChange()
{
    if (!m_searchEditing) {
        m_searchEditing = true;
        writeLog(logPrefix("-[ListWindow controlTextDidBeginEditing:]", 167) + QStringLiteral("begin"));
        m_outlineView->clearSelection();
    }
    writeLog(logPrefix("-[ListWindow controlTextDidChange:]", 174) + QStringLiteral("change"));
    m_outlineView->clearSelection();
}

void ListWindow::controlTextDidEndEditing()
{
    // Return and the field losing focus both end an editing; only the first one counts.
    if (!m_searchEditing)
        return;
    m_searchEditing = false;
    const QString control =
        QStringLiteral("<%1: %2>")
            .arg(QString::fromLatin1(m_searchField->metaObject()->className()), m_searchField->objectName());
    writeLog(logPrefix("-[ListWindow control:textShouldEndEditing:]", 160) +
             QStringLiteral("should end with %1 and %2").arg(control, m_searchField->text()));
    writeLog(logPrefix("-[ListWindow controlTextDidEndEditing:]", 180) + QStringLiteral("end"));
    m_outlineView->clearSelection();
}

void ListWindow::showSaveAsSheet()
{
    if (m_sheet && m_sheet->isVisible())
        return;
    showSheet(m_saveAsPanel);
}

void ListWindow::saveAsAndClosePanel()
{
    m_outlineView->clearSelection();
    QString path = chooseSaveAsPath ? chooseSaveAsPath()
                                    : QFileDialog::getSaveFileName(this, tr("Save Task Pad As"), QString(),
                                                                   tr("Task pad (*.tp)"));
    if (!path.isEmpty()) {
        if (!path.endsWith(QStringLiteral(".tp")))
            path += QStringLiteral(".tp");
        closeTextDrawer();
        const QString macPath = m_ovc.file().services().root.mac(path);
        if (m_taskPad.saveListAs(macPath))
            m_outlineView->expandAll();
        else
            TR_LOG("The list was not saved as %1: %2", macPath, m_ovc.file().errorString());
    }
    m_saveAsPanel->accept();
}

void ListWindow::reloadAndClosePanel()
{
    m_saveAsPanel->accept();
    closeTextDrawer();
    m_ovc.revertToFile();
    m_outlineView->expandAll();
}

void ListWindow::showCustomSheet()
{
    showSheet(m_sheetPanel);
}

void ListWindow::actionMenu()
{
    const bool attach = !m_taskPad.attached();
    m_attachMI->setChecked(attach);
    m_taskPad.setAttached(attach);
    if (attach)
        close();
}

void ListWindow::closeForSearchWin()
{
    close();
}

void ListWindow::closeEvent(QCloseEvent* event)
{
    m_outlineView->clearSelection();
    m_ovc.commit();
    event->accept();
}

} // namespace trevalo
