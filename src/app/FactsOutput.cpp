#include "app/FactsOutput.h"

#include "platform/JsonOutput.h"
#include "platform/TextEscape.h"

#include <QJsonArray>
#include <QTextStream>

namespace trevalo {

namespace {

/// A title as one menu line: the line feeds some fact titles end with are not shown.
QString shownTitle(QString title)
{
    while (title.endsWith('\n'))
        title.chop(1);
    return title;
}

/// The items the opened menu shows, in menu order.
QVector<MenuItem> shownItems(const StatusMenuModel& menu)
{
    QVector<MenuItem> items;
    for (const MenuItemSpec& entry : statusMenuLayout()) {
        if (entry.kind == ItemKind::Separator || entry.kind == ItemKind::Submenu ||
            entry.item == MenuItem::levelIndicator)
            continue;
        if (menu.isVisible(entry.item))
            items << entry.item;
    }
    return items;
}

} // namespace

void printFacts(const StatusMenuModel& menu, const QVector<Notification>& notifications, bool json,
                QTextStream& out)
{
    if (json) {
        QJsonArray items;
        for (const MenuItem item : shownItems(menu))
            items.append(QJsonObject{{"title", shownTitle(menu[item].title)}, {"on", menu[item].marked}});
        QJsonArray delivered;
        for (const Notification& n : notifications)
            delivered.append(
                QJsonObject{{"title", n.title}, {"subtitle", n.subtitle}, {"text", n.informativeText}});
        writeJson(out, {{"items", items},
                        {"icon", menu[MenuItem::levelIndicator].image},
                        {"title", menu.statusTitle},
                        {"notifications", delivered}});
        return;
    }
    for (const MenuItem item : shownItems(menu))
        out << escapeField(shownTitle(menu[item].title)) << (menu[item].marked ? "\ton" : "") << '\n';
    out << "Icon: " << escapeField(menu[MenuItem::levelIndicator].image) << '\n';
    out << "Title: " << escapeField(menu.statusTitle) << '\n';
    for (const Notification& n : notifications)
        out << "Notification: " << escapeField(n.title) << ": "
            << (n.subtitle.isEmpty() ? QString() : escapeField(n.subtitle) + QStringLiteral(": "))
            << escapeField(n.informativeText) << '\n';
    out.flush();
}

} // namespace trevalo
