#pragma once

#include "app/StatusMenuModel.h"

#include <QHash>
#include <QString>
#include <functional>

namespace trevalo {

class TRAppDelegate;

/// What choosing a status-menu item does. The widgets and the command line both call activate(), so a
/// choice from a shell is exactly a click.
class MenuActions {
public:
    using Action = std::function<void()>;
    /// For the entries of the eject and mount submenus, which are volumes rather than items.
    using EntryAction = std::function<void(const VolumeMenuEntry& entry)>;

    void bind(MenuItem item, const Action& action) { m_actions.insert(item, action); }
    void bindEntries(MenuItem submenu, const EntryAction& action) { m_entryActions.insert(submenu, action); }

    /// The item does nothing again (greyed in the menu).
    void unbind(MenuItem item) { m_actions.remove(item); }
    bool has(MenuItem item) const { return m_actions.contains(item); }
    /// Runs the item's action; false when the item has none.
    bool activate(MenuItem item) const;
    /// Runs the submenu's action on one of its entries; false when the submenu has none.
    bool activateEntry(MenuItem submenu, const VolumeMenuEntry& entry) const;

private:
    QHash<MenuItem, Action> m_actions;
    QHash<MenuItem, EntryAction> m_entryActions;
};

/// Binds every menu item to the subsystem operation behind it: the one place that answers "what does
/// this item do, and where does that live?".
void bindMenuActions(MenuActions& actions, TRAppDelegate& app);

} // namespace trevalo
