#pragma once

#include "app/StatusMenuModel.h"
#include "platform/Notifier.h"

#include <QVector>

class QTextStream;

namespace trevalo {

/// What `trevalo facts` prints of the opened menu and the notifications start-up delivered.
///
/// Text: every visible fact and tool item's title in menu order ("<TAB>on" when marked), "Icon: ",
/// "Title: " and a "Notification: title: [subtitle: ]text" line each, fields escaped one line apiece.
/// JSON: {"items": [{"title", "on"}...], "icon", "title", "notifications": [{"title", "subtitle",
/// "text"}...]}, the same fields as the program holds them.
void printFacts(const StatusMenuModel& menu, const QVector<Notification>& notifications, bool json,
                QTextStream& out);

} // namespace trevalo
