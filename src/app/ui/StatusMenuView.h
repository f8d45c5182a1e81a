#pragma once

#include "app/StatusMenuModel.h"

#include <QHash>
#include <QMenu>

namespace trevalo {

class TRAppDelegate;

/// The status menu as Qt widgets: built once from the layout table, then kept in step with the model.
/// Choosing an item calls the delegate exactly as the command line's "choose" does.
class StatusMenuView : public QObject {
    Q_OBJECT
public:
    explicit StatusMenuView(TRAppDelegate& delegate, QObject* parent = nullptr);

    QMenu* menu() { return &m_menu; }
    QAction* action(MenuItem item) const { return m_actions.value(item); }
    /// Applies titles, marks, visibility and images of the model to the widgets.
    void sync();

signals:
    /// The menu is about to open: the delegate refreshes the model first.
    void aboutToShow();

private:
    void rebuildVolumeMenu(MenuItem item, const QList<VolumeMenuEntry>& entries);

    TRAppDelegate& m_delegate;
    QMenu m_menu;
    QHash<MenuItem, QAction*> m_actions;
    QHash<MenuItem, QMenu*> m_submenus;
};

/// Loads an image of the resources by name ("level5b-1", "trevalo-flat-01") at menu size.
QIcon resourceIcon(const QString& name, bool asMask = false, const QColor& maskColour = Qt::black);

} // namespace trevalo
