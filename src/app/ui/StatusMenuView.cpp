#include "app/ui/StatusMenuView.h"

#include "app/TRAppDelegate.h"

#include <QPainter>
#include <QSvgRenderer>

namespace trevalo {

QIcon resourceIcon(const QString& name, bool asMask, const QColor& maskColour)
{
    const QString path = QStringLiteral(":/icons/%1.svg").arg(name);
    if (!asMask)
        return QIcon(path);
    // A template image: the glyph's shape in the menu bar's text colour.
    QIcon icon;
    QSvgRenderer renderer(path);
    for (int size : {16, 22, 32, 44}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), maskColour);
        painter.end();
        icon.addPixmap(pixmap);
    }
#ifdef Q_OS_MACOS
    icon.setIsMask(true);
#endif
    return icon;
}

namespace {

/// Fact titles keep the tool's own layout (a tab after the label, a final line feed). A Qt menu would
/// read the tab as the start of a shortcut and show the line feed, so both become what a Mac menu shows.
QString menuText(QString title)
{
    while (title.endsWith('\n'))
        title.chop(1);
    title.replace('\t', QLatin1String("  "));
    title.replace('&', QLatin1String("&&"));
    return title;
}

} // namespace

StatusMenuView::StatusMenuView(TRAppDelegate& delegate, QObject* parent)
    : QObject(parent), m_delegate(delegate)
{
    m_menu.setTitle(QStringLiteral("Trevalo 2"));
    connect(&m_menu, &QMenu::aboutToShow, this, &StatusMenuView::aboutToShow);

    for (const MenuItemSpec& spec : statusMenuLayout()) {
        QMenu* parentMenu = spec.parent == MenuItem::separator ? &m_menu : m_submenus.value(spec.parent);
        if (spec.kind == ItemKind::Separator) {
            parentMenu->addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (spec.kind == ItemKind::Submenu) {
            QMenu* sub = parentMenu->addMenu(QString::fromUtf8(spec.title));
            m_submenus.insert(spec.item, sub);
            action = sub->menuAction();
        } else {
            action = parentMenu->addAction(QString::fromUtf8(spec.title));
            const MenuItem item = spec.item;
            connect(action, &QAction::triggered, this,
                    [this, item] { m_delegate.menuActions().activate(item); });
        }
        m_actions.insert(spec.item, action);
    }
    sync();
}

void StatusMenuView::rebuildVolumeMenu(MenuItem item, const QList<VolumeMenuEntry>& entries)
{
    // Theme icons stand in for the stop (eject) and refresh (mount) template images.
    const QIcon icon = QIcon::fromTheme(item == MenuItem::ejectDisks ? QStringLiteral("process-stop")
                                                                     : QStringLiteral("view-refresh"));
    QMenu* sub = m_submenus.value(item);
    sub->clear();
    for (const VolumeMenuEntry& entry : entries) {
        if (entry.isSeparator) {
            sub->addSeparator();
            continue;
        }
        QAction* a = sub->addAction(icon, entry.title);
        a->setEnabled(entry.hasAction); // " No disks" has no action
        if (entry.hasAction)
            connect(a, &QAction::triggered, this,
                    [this, item, entry] { m_delegate.menuActions().activateEntry(item, entry); });
    }
}

void StatusMenuView::sync()
{
    const StatusMenuModel& model = m_delegate.menu();
    for (auto it = m_actions.begin(); it != m_actions.end(); ++it) {
        const MenuItemState& state = model[it.key()];
        QAction* action = it.value();
        action->setText(menuText(state.title));
        action->setVisible(!state.hidden && !state.removed);
        action->setCheckable(state.marked);
        action->setChecked(state.marked);
        // Facts read as plain text; a tool without an action is shown greyed.
        const bool isTool = specOf(it.key()).kind == ItemKind::Tool;
        action->setEnabled(state.enabled && (!isTool || m_delegate.menuActions().has(it.key())));
        action->setIcon(state.image.isEmpty() ? QIcon() : resourceIcon(state.image));
    }
    // The fill level reads best as the disk's own icon; it stands alone only when the disk line is hidden.
    QAction* level = m_actions.value(MenuItem::levelIndicator);
    QAction* disk = m_actions.value(MenuItem::theDisk);
    const QString levelImage = model[MenuItem::levelIndicator].image;
    if (disk->isVisible() && !levelImage.isEmpty()) {
        disk->setIcon(resourceIcon(levelImage));
        level->setVisible(false);
    } else {
        level->setText(tr("Start-up disk"));
    }
    rebuildVolumeMenu(MenuItem::ejectDisks, model.ejectable);
    rebuildVolumeMenu(MenuItem::mountDisks, model.unmounted);
}

} // namespace trevalo
