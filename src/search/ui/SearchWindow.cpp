#include "search/ui/SearchWindow.h"

#include "platform/Log.h"
#include "search/PreviewItem.h"
#include "search/SearchMenus.h"
#include "search/SuperSearch.h"
#include "search/ui/PreviewPanel.h"
#include "search/ui/TRQLTableView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileIconProvider>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace trevalo {

namespace {

constexpr int kIconPoints = 16;

/// An icon drawn at the given size, scaled at high quality ("imageResize:newSize:"); null, with a log
/// line, when there is no image to draw.
QIcon imageResize(const QIcon& image, int width, int height)
{
    if (image.isNull()) {
        TR_LOG_AS("-[TRAppDelegate imageResize:newSize:]", "Invalid Image");
        return QIcon();
    }
    const QPixmap drawn = image.pixmap(QSize(width, height) * 2);
    return QIcon(drawn.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

/// A pair of radio buttons, the second meaning YES.
QButtonGroup* radioPair(QWidget* owner, QRadioButton* no, QRadioButton* yes)
{
    auto* group = new QButtonGroup(owner);
    group->addButton(no, 0);
    group->addButton(yes, 1);
    return group;
}

} // namespace

SearchWindow::SearchWindow(SuperSearch& search, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_search(search), m_field(new QLineEdit),
      m_faster(new QRadioButton(tr("Faster"))), m_deeper(new QRadioButton(tr("Deeper"))),
      m_name(new QRadioButton(tr("Name"))), m_content(new QRadioButton(tr("Content"))),
      m_word(new QRadioButton(tr("Word"))), m_string(new QRadioButton(tr("String"))),
      m_case(new QCheckBox(tr("Match case"))), m_web(new QCheckBox(tr("Web history"))),
      m_email(new QCheckBox(tr("Email"))), m_popUp(new QComboBox), m_spinner(new QProgressBar),
      m_counter(new QLabel), m_failure(new QLabel), m_reveal(new QPushButton(tr("Reveal"))),
      m_action(new QToolButton), m_table(new TRQLTableView)
{
    setWindowTitle(tr("SuperSearch"));
    resize(760, 460);

    m_field->setPlaceholderText(tr("Search by name or content;  ~/path, /path or `Application"));
    m_field->setClearButtonEnabled(false);
    QAction* cancel = m_field->addAction(style()->standardIcon(QStyle::SP_LineEditClearButton),
                                         QLineEdit::TrailingPosition);
    cancel->setToolTip(tr("Stop and clear"));
    connect(cancel, &QAction::triggered, &m_search, &SuperSearch::cancelBtn);
    connect(m_field, &QLineEdit::returnPressed, this,
            [this] { m_search.searchFieldMethod(m_field->text()); });

    radioPair(this, m_faster, m_deeper);
    radioPair(this, m_name, m_content);
    radioPair(this, m_word, m_string);
    connect(m_faster, &QRadioButton::clicked, this, [this] { m_search.searchDepth(false); });
    connect(m_deeper, &QRadioButton::clicked, this, [this] { m_search.searchDepth(true); });
    connect(m_name, &QRadioButton::clicked, this, [this] { m_search.searchType(false); });
    connect(m_content, &QRadioButton::clicked, this, [this] { m_search.searchType(true); });
    connect(m_word, &QRadioButton::clicked, this, [this] { m_search.searchTerm(false); });
    connect(m_string, &QRadioButton::clicked, this, [this] { m_search.searchTerm(true); });
    connect(m_case, &QCheckBox::clicked, &m_search, &SuperSearch::searchCaseMethod);
    connect(m_web, &QCheckBox::clicked, &m_search, &SuperSearch::searchWebHistMethod);
    connect(m_email, &QCheckBox::clicked, &m_search, &SuperSearch::searchEmailMethod);
    connect(m_popUp, &QComboBox::activated, &m_search, &SuperSearch::selectFolder);

    m_spinner->setRange(0, 0);
    m_spinner->setTextVisible(false);
    m_spinner->setFixedWidth(60);
    m_failure->setStyleSheet(QStringLiteral("color: #c62828"));
    m_failure->setTextFormat(Qt::PlainText);
    connect(m_reveal, &QPushButton::clicked, this, [this] { m_search.openFileLocation(selectedRows()); });

    m_actionMenu = makeResultMenu(QStringLiteral("Action Menu"));
    m_tableMenu = makeResultMenu(QStringLiteral("SuperSearch Menu"));
    m_action->setText(tr("Action"));
    m_action->setMenu(m_actionMenu);
    m_action->setPopupMode(QToolButton::InstantPopup);

    m_table->setModel(&m_search.results());
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->setAlternatingRowColors(true);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(0, 200);
    m_table->setColumnWidth(1, 360);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_tableMenu->popup(m_table->viewport()->mapToGlobal(at)); });
    connect(m_table, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { m_search.openFileLocation({index.row()}); });
    connect(m_table, &TRQLTableView::togglePreviewPanel, this, &SearchWindow::togglePreviewPanel);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_preview && m_preview->isVisible())
            m_preview->setItems(selectedPreviewItems()); // the preview follows the selection
    });

    auto* options = new QHBoxLayout;
    options->addWidget(m_faster);
    options->addWidget(m_deeper);
    options->addSpacing(16);
    options->addWidget(m_name);
    options->addWidget(m_content);
    options->addSpacing(16);
    options->addWidget(m_word);
    options->addWidget(m_string);
    options->addStretch();
    auto* filters = new QHBoxLayout;
    filters->addWidget(m_case);
    filters->addWidget(m_web);
    filters->addWidget(m_email);
    filters->addStretch();
    filters->addWidget(m_popUp);
    auto* status = new QHBoxLayout;
    status->addWidget(m_spinner);
    status->addWidget(m_counter);
    status->addWidget(m_failure, 1);
    status->addWidget(m_reveal);
    status->addWidget(m_action);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_field);
    layout->addLayout(options);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(status);

    connect(&m_search, &SuperSearch::stateChanged, this, &SearchWindow::showState);
    connect(&m_search, &SuperSearch::showRequested, this, [this] {
        setWindowPosition();
        show();
        raise();
        activateWindow();
        m_field->setFocus();
    });
    connect(&m_search, &SuperSearch::closeRequested, this, &QWidget::close);
    showState();
}

QMenu* SearchWindow::makeResultMenu(const QString& title)
{
    auto* menu = new QMenu(title, this);
    menu->addAction(tr("Copy All"), &m_search, &SuperSearch::copyAllMenu);
    menu->addAction(tr("Copy Selected"), this, [this] { m_search.copySelectedMenu(selectedRows()); });
    menu->addSeparator();
    menu->addAction(tr("Reveal Selected in Finder"), this,
                    [this] { m_search.openFileLocation(selectedRows()); });
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { menuWillOpen(menu); });
    return menu;
}

void SearchWindow::menuWillOpen(QMenu* menu)
{
    QStringList titles;
    QVector<bool> enabled;
    const QList<QAction*> actions = menu->actions();
    for (const QAction* action : actions) {
        titles << action->text();
        enabled << action->isEnabled();
    }
    const std::optional<QVector<bool>> states = trevalo::menuWillOpen(
        menu->title(), titles, enabled, m_search.results().size() > 0, !selectedRows().isEmpty());
    if (!states)
        return;
    for (qsizetype i = 0; i < actions.size(); ++i) {
        if (!actions[i]->isSeparator())
            actions[i]->setEnabled((*states)[i]);
    }
}

QList<int> SearchWindow::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SearchWindow::showPopUp()
{
    const QStringList titles = m_search.popUp().titles();
    if (titles == m_popUpTitles)
        return;
    m_popUpTitles = titles;
    const QSignalBlocker block(m_popUp);
    m_popUp->clear();
    const QFileIconProvider icons;
    for (const FolderItem& item : m_search.popUp().items) {
        if (item.kind == FolderItem::Kind::Separator) {
            m_popUp->insertSeparator(m_popUp->count());
            continue;
        }
        QIcon icon;
        if (item.kind != FolderItem::Kind::AllVolumes)
            icon =
                imageResize(icons.icon(QFileInfo(m_search.hostPath(item.folder))), kIconPoints, kIconPoints);
        m_popUp->addItem(icon, QString(qsizetype(item.indentation) * 4, u' ') + item.title);
    }
}

void SearchWindow::showState()
{
    const SearchOptions& o = m_search.options();
    const SuperSearch::WindowState& s = m_search.state();
    m_deeper->setChecked(o.searchIsDeep);
    m_faster->setChecked(!o.searchIsDeep);
    m_content->setChecked(o.searchIsContent);
    m_name->setChecked(!o.searchIsContent);
    m_string->setChecked(o.searchIsString);
    m_word->setChecked(!o.searchIsString);
    m_case->setChecked(o.searchCase);
    m_web->setChecked(s.checkWebOn);
    m_web->setEnabled(s.checkWebEnabled);
    m_email->setChecked(s.checkEmailOn);
    m_email->setEnabled(s.checkEmailEnabled);

    showPopUp();
    {
        const QSignalBlocker block(m_popUp);
        m_popUp->setCurrentIndex(s.selectedFolder);
    }
    m_popUp->setEnabled(s.directoryPopUpEnabled);

    // The field changes when a search starts or is cancelled, not while the user types.
    if (m_field->text() != s.fieldText &&
        (s.fieldText.isEmpty() || !m_field->hasFocus() || m_field->text().isEmpty()))
        m_field->setText(s.fieldText);
    m_counter->setText(s.resultCounter);
    m_failure->setText(s.failure);
    m_spinner->setVisible(s.spinnerVisible);
    m_reveal->setVisible(s.revealVisible);
    m_action->setEnabled(s.actionEnabled);
}

void SearchWindow::setWindowPosition()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect visible = screen->availableGeometry();
    const QSize size = frameGeometry().size();
    move(visible.x() + visible.width() - size.width() - 300, visible.y() + 25);
}

PreviewPanel* SearchWindow::previewPanel() const
{
    return m_preview;
}

QList<PreviewItem> SearchWindow::selectedPreviewItems() const
{
    QList<PreviewItem> items;
    for (const int row : selectedRows()) {
        const QString& path = m_search.results().row(row).path;
        items << previewItem(m_search.hostPath(path), path);
    }
    return items;
}

void SearchWindow::togglePreviewPanel()
{
    if (m_preview && m_preview->isVisible()) {
        m_preview->close();
        return;
    }
    if (!m_preview) {
        m_preview = new PreviewPanel(this);
        connect(m_preview, &PreviewPanel::togglePreviewPanel, this, &SearchWindow::togglePreviewPanel);
    }
    m_preview->setItems(selectedPreviewItems());
    m_preview->show();
    m_preview->raise();
}

} // namespace trevalo
