#include "taskpad/OutlineViewController.h"

#include "taskpad/TaskPadFormat.h"

#include <QMimeData>
#include <QUuid>

namespace trevalo {

namespace {

// The remaining-days count up to which a row shows it; from here on the calendar button shows instead.
constexpr int kLargestShownCount = 3649;

QString withoutLeadingBlanks(const QString& text)
{
    qsizetype at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    return text.mid(at);
}

} // namespace

int levelOf(const ListItem* item)
{
    int level = 0;
    for (const ListItem* p = item ? item->parent() : nullptr; p; p = p->parent())
        ++level;
    return level;
}

OutlineViewController::OutlineViewController(TaskPadFile& file, QObject* parent)
    : QAbstractItemModel(parent), m_file(file), m_root(file.loadFromDisk()),
      m_identity(QUuid::createUuid().toByteArray())
{
    connect(&m_file, &TaskPadFile::saveAsRequested, this, &OutlineViewController::saveAsRequested);
}

OutlineViewController::~OutlineViewController() = default;

ListItem* OutlineViewController::itemAt(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this ? static_cast<ListItem*>(index.internalPointer())
                                                    : nullptr;
}

QModelIndex OutlineViewController::indexOf(const ListItem* item, int column) const
{
    if (!item || item == m_root.get() || !item->parent())
        return {};
    return createIndex(item->parent()->indexOf(item), column, const_cast<ListItem*>(item));
}

QVector<ListItem*> OutlineViewController::displayOrder() const
{
    QVector<ListItem*> order;
    std::vector<ListItem*> pending;
    for (int i = m_root->childCount() - 1; i >= 0; --i)
        pending.push_back(m_root->child(i));
    while (!pending.empty()) {
        ListItem* item = pending.back();
        pending.pop_back();
        order.append(item);
        for (int i = item->childCount() - 1; i >= 0; --i)
            pending.push_back(item->child(i));
    }
    return order;
}

QModelIndex OutlineViewController::add(const QModelIndex& selected, const QString& name)
{
    ListItem* parentItem = itemAt(selected);
    if (parentItem && levelOf(parentItem) >= kMaxTaskDepth)
        return {};
    ListItem* holder = parentItem ? parentItem : m_root.get();
    const int row = holder->childCount();
    beginInsertRows(indexOf(parentItem), row, row);
    ListItem* added = parentItem ? parentItem->addChild(std::make_unique<ListItem>(name))
                                 : holder->insertChild(row, std::make_unique<ListItem>(name));
    endInsertRows();
    const QModelIndex index = indexOf(added);
    if (parentItem)
        emit expandRequested(indexOf(parentItem));
    emit selectionRequested(index);
    automaticSave();
    return index;
}

QModelIndex OutlineViewController::addFolder()
{
    beginInsertRows({}, 0, 0);
    ListItem* added = m_root->insertChild(0, std::make_unique<ListItem>());
    endInsertRows();
    const QModelIndex index = indexOf(added);
    emit selectionRequested(index);
    return index;
}

void OutlineViewController::remove(const QModelIndex& selected)
{
    if (ListItem* item = itemAt(selected)) {
        ListItem* parentItem = item->parent();
        const int row = parentItem->indexOf(item);
        beginRemoveRows(indexOf(parentItem), row, row);
        const std::unique_ptr<ListItem> removed = parentItem->takeChild(row);
        endRemoveRows();
    }
    automaticSave();
}

void OutlineViewController::rename(const QModelIndex& index, const QString& text)
{
    ListItem* item = itemAt(index);
    if (!item)
        return;
    const ListItem* parentItem = item->parent();
    item->setName(parentItem == m_root.get()
                      ? text
                      : ListItem::nestingPrefixFor(parentItem->name()) + withoutLeadingBlanks(text));
    rowsChanged(item, false);
    automaticSave();
}

void OutlineViewController::setTaskIsDone(const QModelIndex& index, bool done)
{
    ListItem* item = itemAt(index);
    if (!item)
        return;
    item->setTaskIsDone(done);
    if (done) {
        emit collapseRequested(indexOf(item));
        item->setCompletionDate(ListItem::noDate());
    }
    rowsChanged(item, true);
    automaticSave();
}

void OutlineViewController::expandItems(bool expand)
{
    reloadTable();
    emit expandAllRequested(expand);
}

void OutlineViewController::setNotes(const QModelIndex& index, std::optional<StyledText> notes, bool hasNote)
{
    ListItem* item = itemAt(index);
    if (!item)
        return;
    item->setNotes(std::move(notes));
    item->setHasNote(hasNote);
    rowsChanged(item, false);
    automaticSave();
}

void OutlineViewController::calendarBtn(const QModelIndex& index)
{
    ListItem* item = itemAt(index);
    if (!item)
        return;
    m_calendarItem = indexOf(item);
    m_calendarDate = item->hasDueDate() ? item->completionDate() : now();
    emit calendarRequested(m_calendarItem, m_calendarDate);
}

void OutlineViewController::didSelectDate(const QDate& date)
{
    ListItem* item = itemAt(m_calendarItem);
    if (!item || !date.isValid())
        return;
    m_calendarDate = QDateTime(date, QTime(0, 0));
    item->setCompletionDate(m_calendarDate);
    item->setTaskIsDone(false);
    rowsChanged(item, true);
    automaticSave();
}

void OutlineViewController::resetCalendar()
{
    ListItem* item = itemAt(m_calendarItem);
    if (!item)
        return;
    item->setCompletionDate(ListItem::noDate());
    rowsChanged(item, false);
    automaticSave();
}

void OutlineViewController::revealNotes(const QModelIndex& index)
{
    if (itemAt(index))
        emit notesRequested(index.siblingAtColumn(0));
}

void OutlineViewController::outlineViewSelectionDidChange()
{
    automaticSave();
    emit closeTextDrawer();
}

bool OutlineViewController::commit()
{
    emit aboutToCommit();
    return automaticSave();
}

bool OutlineViewController::reloadTable()
{
    // A refused save means the outline holds changes the file does not: reloading would drop them.
    if (!commit())
        return false;
    loadFromDisk();
    return true;
}

void OutlineViewController::revertToFile()
{
    loadFromDisk();
}

void OutlineViewController::loadFromDisk()
{
    beginResetModel();
    m_root = m_file.loadFromDisk();
    endResetModel();
}

void OutlineViewController::rowsChanged(ListItem* item, bool withSubTasks)
{
    std::vector<ListItem*> pending{item};
    while (!pending.empty()) {
        ListItem* at = pending.back();
        pending.pop_back();
        emit dataChanged(indexOf(at, Completed), indexOf(at, Time));
        if (withSubTasks) {
            for (const auto& child : at->children())
                pending.push_back(child.get());
        }
    }
}

// QAbstractItemModel

QModelIndex OutlineViewController::index(int row, int column, const QModelIndex& parent) const
{
    const ListItem* holder = parent.isValid() ? itemAt(parent) : m_root.get();
    if (!holder || row < 0 || row >= holder->childCount() || column < 0 || column >= ColumnCount)
        return {};
    return createIndex(row, column, holder->child(row));
}

QModelIndex OutlineViewController::parent(const QModelIndex& child) const
{
    const ListItem* item = itemAt(child);
    return item ? indexOf(item->parent()) : QModelIndex();
}

int OutlineViewController::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const ListItem* holder = parent.isValid() ? itemAt(parent) : m_root.get();
    return holder ? holder->childCount() : 0;
}

int OutlineViewController::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant OutlineViewController::data(const QModelIndex& index, int role) const
{
    ListItem* item = itemAt(index);
    if (!item)
        return {};
    switch (index.column()) {
    case Completed:
        if (role == Qt::CheckStateRole)
            return item->taskIsDone() ? Qt::Checked : Qt::Unchecked;
        return {};
    case Name:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return item->name();
        if (role == TextColourRole)
            return int(item->taskIsDone() ? TextColour::LightGrey : TextColour::White);
        return {};
    case Time: {
        if (role == NoteButtonShownRole)
            return item->hasNote();
        if (role != Qt::DisplayRole && role != CalendarButtonShownRole && role != TextColourRole)
            return {};
        const QString days = item->daysToComplete(now());
        const bool shown = !days.isNull() && (days.isEmpty() ? 3650 : days.toInt()) <= kLargestShownCount;
        if (role == CalendarButtonShownRole)
            return !shown;
        if (role == TextColourRole)
            return int(days.startsWith('-') ? TextColour::Yellow : TextColour::Green);
        return shown ? days : QString();
    }
    default:
        return {};
    }
}

bool OutlineViewController::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!itemAt(index))
        return false;
    if (index.column() == Completed && role == Qt::CheckStateRole) {
        setTaskIsDone(index, value.toInt() == Qt::Checked);
        return true;
    }
    if (index.column() == Name && role == Qt::EditRole) {
        rename(index, value.toString());
        return true;
    }
    return false;
}

Qt::ItemFlags OutlineViewController::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (index.column() == Completed)
        flags |= Qt::ItemIsUserCheckable;
    if (index.column() == Name)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant OutlineViewController::headerData(int, Qt::Orientation, int) const
{
    return {};
}

QStringList OutlineViewController::mimeTypes() const
{
    return {QString::fromLatin1(kTaskMimeType), QStringLiteral("text/plain")};
}

QMimeData* OutlineViewController::mimeData(const QModelIndexList& indexes) const
{
    const ListItem* item = nullptr;
    for (const QModelIndex& index : indexes) {
        if ((item = itemAt(index)))
            break;
    }
    if (!item)
        return nullptr;
    m_dragged = indexOf(item);
    ++m_dragSerial;
    auto* data = new QMimeData;
    data->setText(item->name());
    data->setData(kTaskMimeType, m_identity + ':' + QByteArray::number(m_dragSerial));
    return data;
}

ListItem* OutlineViewController::draggedItem(const QMimeData* data) const
{
    // Only the drag this outline started last: text from another program, or a task of another
    // outline, would otherwise move whatever task was dragged before.
    if (!data || data->data(kTaskMimeType) != m_identity + ':' + QByteArray::number(m_dragSerial))
        return nullptr;
    return itemAt(m_dragged);
}

bool OutlineViewController::dropAllowed(const ListItem* dragged, const ListItem* target) const
{
    // Onto itself or below itself would take the task out of the tree; and no move may nest a task
    // deeper than a file may hold.
    return dragged && target && !dragged->contains(target) &&
           levelOf(target) + dragged->height() <= kMaxTaskDepth;
}

bool OutlineViewController::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                            const QModelIndex& parent) const
{
    const ListItem* target = parent.isValid() ? itemAt(parent) : m_root.get();
    return action == Qt::MoveAction && dropAllowed(draggedItem(data), target);
}

bool OutlineViewController::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                         const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    ListItem* dragged = draggedItem(data);
    ListItem* target = parent.isValid() ? itemAt(parent) : m_root.get();
    ListItem* from = dragged->parent();
    const int oldRow = from->indexOf(dragged);
    // A drop onto a task (row -1) appends to its sub-tasks. The row counts the list that still holds the
    // dragged task, so a move down the same list lands one place earlier once it is taken out.
    const int dropRow = row < 0 || row > target->childCount() ? target->childCount() : row;
    const int insertAt = from == target && oldRow < dropRow ? dropRow - 1 : dropRow;
    if (from == target && insertAt == oldRow)
        return true;
    beginMoveRows(indexOf(from), oldRow, oldRow, indexOf(target), dropRow);
    target->insertChild(insertAt, from->takeChild(oldRow));
    endMoveRows();
    commit();
    return true;
}

} // namespace trevalo
