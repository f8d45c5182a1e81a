#include "app/ui/PreferencesWindow.h"

#include "app/TRAppDelegate.h"
#include "taskpad/ui/ListWindowHost.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace trevalo {

namespace {

/// The item boxes' names, by tag.
constexpr const char* kItemBoxNames[] = {"checkFirewall", "checkInvisibleFiles", "checkUserLib",
                                         "checkFanSpeed", "checkIPAdd",          "checkEjectDisks",
                                         "checkFlushDNS", "checkFreeMem",        "checkBattery",
                                         "checkRAMDisk",  "checkStatusInfo",     "checkNetConnects"};

QPushButton* button(QWidget* parent, const char* name, const QString& title)
{
    auto* b = new QPushButton(title, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* note(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Disabled, QPalette::WindowText));
    label->setPalette(palette);
    return label;
}

/// A path that fits its place: elided in the middle, whole in the tool tip.
class PathLabel : public QLabel {
public:
    using QLabel::QLabel;
    void setPath(const QString& path)
    {
        setToolTip(path);
        elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        elide();
    }

private:
    void elide() { setText(fontMetrics().elidedText(toolTip(), Qt::ElideMiddle, qMax(width(), 40))); }
};

QPointer<PreferencesWindow> shared;

} // namespace

PreferencesWindow& PreferencesWindow::sharedController(Preferences& prefs)
{
    if (!shared) {
        shared = new PreferencesWindow(prefs);
        QObject::connect(&prefs, &QObject::destroyed, [] { delete shared.data(); });
    }
    return *shared;
}

PreferencesWindow::PreferencesWindow(Preferences& prefs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_prefs(prefs)
{
    setObjectName(QStringLiteral("preferencesWindow"));
    setWindowTitle(tr("Trevalo 2 Preferences"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 12);
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_toolbar->setMovable(false);
    m_tabs = new QActionGroup(this);
    m_tabs->setExclusive(true);
    const struct {
        const char* identifier;
        QString title;
        void (PreferencesWindow::*select)();
    } tabs[] = {{"General", tr("General"), &PreferencesWindow::generalTab},
                {"Other", tr("Other"), &PreferencesWindow::otherTab},
                {"Analyser", tr("Analyser"), &PreferencesWindow::analyserTab}};
    for (const auto& tab : tabs) {
        QAction* action = m_toolbar->addAction(tab.title);
        action->setObjectName(QString::fromLatin1(tab.identifier));
        action->setCheckable(true);
        m_tabs->addAction(action);
        connect(action, &QAction::triggered, this, tab.select);
    }
    column->addWidget(m_toolbar);

    m_tabView = new QStackedWidget(this);
    m_tabView->setObjectName(QStringLiteral("tabView"));
    m_tabView->addWidget(makeGeneralPage());
    m_tabView->addWidget(makeOtherPage());
    m_tabView->addWidget(makeAnalyserPage());
    auto* pages = new QVBoxLayout;
    pages->setContentsMargins(16, 8, 16, 0);
    pages->addWidget(m_tabView, 1);
    column->addLayout(pages, 1);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    column->addWidget(rule);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(16, 4, 16, 0);
    QPushButton* restore = button(this, "restoreDefaults", tr("Restore Defaults"));
    QPushButton* aboutButton = button(this, "about", tr("About Trevalo 2"));
    QPushButton* help = button(this, "help", tr("Help"));
    buttons->addWidget(restore);
    buttons->addStretch();
    buttons->addWidget(aboutButton);
    buttons->addWidget(help);
    column->addLayout(buttons);

    connect(restore, &QPushButton::clicked, this, [this] {
        m_prefs.restoreDefaults();
        showStoredValues();
    });
    connect(aboutButton, &QPushButton::clicked, this, &PreferencesWindow::about);
    connect(help, &QPushButton::clicked, this, [this] { m_prefs.help(); });

    setMinimumWidth(460);
    generalTab();
    showStoredValues();
}

PreferencesWindow::~PreferencesWindow() = default;

QCheckBox* PreferencesWindow::checkBox(QWidget* parent, const char* name, const QString& title)
{
    auto* box = new QCheckBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QWidget* PreferencesWindow::makeGeneralPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);

    auto* items = new QGroupBox(tr("Show in the status menu"), page);
    auto* grid = new QGridLayout(items);
    const std::span<const ItemBox> boxes = itemBoxes();
    const int perColumn = int(boxes.size() + 1) / 2;
    for (const ItemBox& entry : boxes) {
        QCheckBox* box = checkBox(items, kItemBoxNames[entry.tag - 1], tr(entry.title));
        box->setProperty("tag", entry.tag);
        const int index = entry.tag - 1;
        grid->addWidget(box, index % perColumn, index / perColumn);
        connect(box, &QCheckBox::clicked, this,
                [this, tag = entry.tag](bool on) { m_prefs.itemsToHide(tag, on); });
        m_itemBoxes.append(box);
    }
    column->addWidget(items);

    auto* icon = new QGroupBox(tr("Beside the status icon"), page);
    icon->setObjectName(QStringLiteral("radioIcon"));
    auto* iconColumn = new QVBoxLayout(icon);
    auto* radios = new QHBoxLayout;
    m_radioIcon = new QButtonGroup(icon);
    const QString titles[] = {tr("Nothing"), tr("Free space"), tr("Used space (%)")};
    for (int id = 0; id < 3; ++id) {
        auto* radio = new QRadioButton(titles[id], icon);
        radio->setObjectName(QStringLiteral("radioIcon%1").arg(id));
        m_radioIcon->addButton(radio, id);
        radios->addWidget(radio);
    }
    radios->addStretch();
    iconColumn->addLayout(radios);
    m_checkDarkMode = checkBox(icon, "checkDarkMode", tr("Adapt the icon to a dark menu bar"));
    iconColumn->addWidget(m_checkDarkMode);
    column->addWidget(icon);
    connect(m_radioIcon, &QButtonGroup::idClicked, this,
            [this](int id) { m_prefs.pSetMenuBarIcon(id, m_checkDarkMode->isChecked()); });
    // The icon's template flag follows the box at once.
    connect(m_checkDarkMode, &QCheckBox::clicked, this,
            [this](bool on) { m_prefs.pSetMenuBarIcon(m_radioIcon->checkedId(), on); });

    auto* taskPad = new QGroupBox(tr("Task pad file"), page);
    auto* taskPadRow = new QHBoxLayout(taskPad);
    m_pathLabel = new PathLabel(taskPad);
    m_pathLabel->setObjectName(QStringLiteral("pathLabel"));
    m_pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pathLabel->setMinimumWidth(260);
    m_pathLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QPushButton* choose = button(taskPad, "choosePath", tr("Choose…"));
    taskPadRow->addWidget(m_pathLabel, 1);
    taskPadRow->addWidget(choose);
    column->addWidget(taskPad);
    connect(choose, &QPushButton::clicked, this, &PreferencesWindow::setPath);

    m_checkStartAtLogin = checkBox(page, "checkStartAtLogin", tr("Open Trevalo 2 at login"));
    column->addSpacing(4);
    column->addWidget(m_checkStartAtLogin);
    connect(m_checkStartAtLogin, &QCheckBox::clicked, this, [this](bool on) {
        // The box shows whether the login item is there now, whatever the script managed.
        m_checkStartAtLogin->setChecked(m_prefs.startAtLogin(on));
    });
    column->addStretch();
    return page;
}

QWidget* PreferencesWindow::makeOtherPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);

    auto* disk = new QGroupBox(tr("Start-up disk"), page);
    auto* diskColumn = new QVBoxLayout(disk);
    m_checkHighWarning = checkBox(disk, "checkHighWarning", tr("Warn me only when the disk is nearly full"));
    diskColumn->addWidget(m_checkHighWarning);
    diskColumn->addWidget(note(disk, tr("The warnings at 85% and 90% full stay away; the one at 95% still "
                                        "shows.")));
    column->addWidget(disk);
    connect(m_checkHighWarning, &QCheckBox::clicked, this,
            [this](bool on) { m_prefs.preventDiskSpaceWarning(on); });

    auto* volumes = new QGroupBox(tr("Volumes"), page);
    auto* volumesColumn = new QVBoxLayout(volumes);
    m_allowMountNotifs =
        checkBox(volumes, "allowMountNotifs", tr("Notify me when a volume is mounted or ejected"));
    m_allDiskEvents = checkBox(volumes, "checkAllDiskEvents", tr("Include system volumes"));
    auto* indented = new QHBoxLayout;
    indented->addSpacing(20);
    indented->addWidget(m_allDiskEvents);
    volumesColumn->addWidget(m_allowMountNotifs);
    volumesColumn->addLayout(indented);
    column->addWidget(volumes);
    connect(m_allowMountNotifs, &QCheckBox::clicked, this, [this](bool on) {
        m_prefs.setDiskEvents(on);
        m_allDiskEvents->setEnabled(on);
    });
    connect(m_allDiskEvents, &QCheckBox::clicked, this, [this](bool on) { m_prefs.setAllDiskEvents(on); });
    column->addStretch();
    return page;
}

QWidget* PreferencesWindow::makeAnalyserPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    m_checkRunAnalyserOnLaunch =
        checkBox(page, "checkRunAnalyserOnLaunch", tr("Run the Analyser when Trevalo 2 starts"));
    column->addWidget(m_checkRunAnalyserOnLaunch);
    column->addWidget(note(page, tr("The Analyser looks for adware, malware, keyloggers and leftovers of old "
                                    "installations, and writes a new system profile.")));
    column->addStretch();
    connect(m_checkRunAnalyserOnLaunch, &QCheckBox::clicked, this,
            [this](bool on) { m_prefs.runAnalyserOnLaunch(on); });
    return page;
}

void PreferencesWindow::showTab(Preferences::Tab tab)
{
    switch (tab) {
    case Preferences::Tab::General:
        generalTab();
        break;
    case Preferences::Tab::Other:
        otherTab();
        break;
    case Preferences::Tab::Analyser:
        analyserTab();
        break;
    }
    show();
    raise();
    activateWindow();
}

void PreferencesWindow::generalTab()
{
    m_tabView->setCurrentIndex(int(Preferences::Tab::General));
    m_tabs->actions().at(0)->setChecked(true);
}

void PreferencesWindow::otherTab()
{
    m_tabView->setCurrentIndex(int(Preferences::Tab::Other));
    m_tabs->actions().at(1)->setChecked(true);
}

void PreferencesWindow::analyserTab()
{
    m_tabView->setCurrentIndex(int(Preferences::Tab::Analyser));
    m_tabs->actions().at(2)->setChecked(true);
}

int PreferencesWindow::currentTab() const
{
    return m_tabView->currentIndex();
}

QCheckBox* PreferencesWindow::itemBox(int tag) const
{
    return tag >= 1 && tag <= m_itemBoxes.size() ? m_itemBoxes[tag - 1] : nullptr;
}

void PreferencesWindow::showStoredValues()
{
    const Preferences::Values v = m_prefs.values();
    for (int i = 0; i < m_itemBoxes.size(); ++i)
        m_itemBoxes[i]->setChecked(v.boxes[i]);
    m_radioIcon->button(v.menuBarIcon)->setChecked(true);
    m_checkDarkMode->setChecked(v.darkMode);
    m_checkStartAtLogin->setChecked(v.startAtLogin);
    m_checkRunAnalyserOnLaunch->setChecked(v.runAnalyserOnLaunch);
    m_checkHighWarning->setChecked(v.highWarning);
    m_allowMountNotifs->setChecked(v.diskEvents);
    m_allDiskEvents->setChecked(v.allDiskEvents);
    m_allDiskEvents->setEnabled(v.diskEvents);
    static_cast<PathLabel*>(m_pathLabel)->setPath(v.taskPadPath);
}

void PreferencesWindow::showEvent(QShowEvent* event)
{
    showStoredValues();
    QWidget::showEvent(event);
}

void PreferencesWindow::setPath()
{
    const QString chosen = chooseTaskPadFile
                               ? chooseTaskPadFile()
                               : QFileDialog::getOpenFileName(this, tr("Choose the Task Pad File"), QString(),
                                                              tr("Task pad (*.tp)"));
    if (chosen.isEmpty())
        return;
    const QString path = m_prefs.app().services().root.mac(chosen);
    static_cast<PathLabel*>(m_pathLabel)->setPath(path);
    if (!m_prefs.setPath(path))
        showStoredValues();
}

void bindPreferencesWindow(Preferences& prefs, ListWindowHost& listWindows)
{
    QObject::connect(&prefs, &Preferences::windowRequested, &prefs, [&prefs](Preferences::Tab tab) {
        PreferencesWindow::sharedController(prefs).showTab(tab);
    });
    QObject::connect(&listWindows, &ListWindowHost::locationRequested, &prefs, &Preferences::openPrefs);
    QObject::connect(&prefs, &Preferences::listWindowDropRequested, &listWindows,
                     &ListWindowHost::removeListWin);
}

void PreferencesWindow::about()
{
    QApplication::setActiveWindow(this);
    auto* box = new QMessageBox(
        QMessageBox::NoIcon, tr("About Trevalo 2"),
        tr("<b>Trevalo 2</b><br>Version %1<br><br>A menu-bar utility that watches your "
           "Mac and keeps it tidy.")
            .arg(QCoreApplication::applicationVersion().isEmpty() ? QStringLiteral("2.0")
                                                                  : QCoreApplication::applicationVersion()),
        QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("aboutPanel"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace trevalo
