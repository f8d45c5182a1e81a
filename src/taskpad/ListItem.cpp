#include "taskpad/ListItem.h"

#include <cmath>

namespace trevalo {

namespace {

// The farthest a due date is shown: a count above this reads as no count at all.
constexpr qint64 kMaxShownDays = 3650;

bool isBlank(QChar c)
{
    return c == '\t' || c.category() == QChar::Separator_Space;
}

} // namespace

ListItem::ListItem(QString name) : m_name(std::move(name)) {}

ListItem::~ListItem()
{
    // A deep outline would otherwise be freed by one recursion per level.
    std::vector<std::unique_ptr<ListItem>> pending = std::move(m_children);
    while (!pending.empty()) {
        std::unique_ptr<ListItem> item = std::move(pending.back());
        pending.pop_back();
        for (auto& child : item->m_children)
            pending.push_back(std::move(child));
        item->m_children.clear();
    }
}

QDateTime ListItem::noDate()
{
    return QDateTime::fromMSecsSinceEpoch(0, QTimeZone::utc());
}

void ListItem::setTaskIsDone(bool done)
{
    std::vector<ListItem*> pending{this};
    while (!pending.empty()) {
        ListItem* item = pending.back();
        pending.pop_back();
        item->m_taskIsDone = done;
        for (const auto& child : item->m_children)
            pending.push_back(child.get());
    }
}

QDateTime ListItem::completionDate() const
{
    const double msecs = (m_completionInterval + kReferenceDateOffset) * 1000.0;
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(msecs)), QTimeZone::utc());
}

void ListItem::setCompletionDate(const QDateTime& date)
{
    const QDateTime when = date.isValid() ? date : noDate();
    m_completionInterval = double(when.toMSecsSinceEpoch()) / 1000.0 - kReferenceDateOffset;
}

QString ListItem::daysToComplete(const QDateTime& now, const QTimeZone& zone)
{
    if (!hasDueDate())
        return {};
    const QDateTime due = completionDate();
    const bool overdue = due < now;
    const qint64 days = getDaysDifferenceBetween(now, due, zone);
    if (days > kMaxShownDays)
        return {};
    m_daysToComplete = (overdue && days != 0 ? QStringLiteral("-") : QString()) + QString::number(days);
    return m_daysToComplete;
}

qint64 ListItem::getDaysDifferenceBetween(const QDateTime& a, const QDateTime& b, const QTimeZone& zone)
{
    if (a == b)
        return 0;
    const QDateTime& earlier = a < b ? a : b;
    const QDateTime& later = a < b ? b : a;
    // Calendar days, not spans of 86,400 seconds: a due date beyond a change to summer time is as
    // many days away before the change as after it.
    return earlier.toTimeZone(zone).date().daysTo(later.toTimeZone(zone).date());
}

int ListItem::indexOf(const ListItem* item) const
{
    for (size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i].get() == item)
            return int(i);
    }
    return -1;
}

ListItem* ListItem::addChild(std::unique_ptr<ListItem> child)
{
    child->m_name = nestingPrefixFor(m_name) + child->m_name;
    return insertChild(childCount(), std::move(child));
}

ListItem* ListItem::insertChild(int index, std::unique_ptr<ListItem> child)
{
    const size_t at = size_t(std::clamp(index, 0, childCount()));
    child->m_parent = this;
    return m_children.insert(m_children.begin() + qsizetype(at), std::move(child))->get();
}

std::unique_ptr<ListItem> ListItem::takeChild(int index)
{
    if (index < 0 || index >= childCount())
        return nullptr;
    std::unique_ptr<ListItem> child = std::move(m_children[size_t(index)]);
    m_children.erase(m_children.begin() + index);
    child->m_parent = nullptr;
    return child;
}

std::unique_ptr<ListItem> ListItem::removeChild(const ListItem* child)
{
    return takeChild(indexOf(child));
}

bool ListItem::contains(const ListItem* item) const
{
    for (const ListItem* at = item; at; at = at->m_parent) {
        if (at == this)
            return true;
    }
    return false;
}

int ListItem::height() const
{
    int deepest = 0;
    std::vector<std::pair<const ListItem*, int>> pending{{this, 1}};
    while (!pending.empty()) {
        const auto [item, level] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, level);
        for (const auto& child : item->m_children)
            pending.emplace_back(child.get(), level + 1);
    }
    return deepest;
}

QString ListItem::nestingPrefixFor(const QString& parentName)
{
    qsizetype leading = 0;
    while (leading < parentName.size() && isBlank(parentName[leading]))
        ++leading;
    qsizetype trailing = 0;
    while (trailing < parentName.size() - leading && isBlank(parentName[parentName.size() - 1 - trailing]))
        ++trailing;
    return QString(leading + trailing + 4, ' ');
}

} // namespace trevalo
