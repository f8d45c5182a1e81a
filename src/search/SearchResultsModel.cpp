#include "search/SearchResultsModel.h"

#include <QLocale>

namespace trevalo {

void SearchResultsModel::append(QVector<SearchRow> rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows({}, size(), size() + int(rows.size()) - 1);
    m_rows += std::move(rows);
    endInsertRows();
}

void SearchResultsModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return {};
    const SearchRow& r = m_rows[index.row()];
    if (role == Qt::ToolTipRole && index.column() == Path)
        return r.path;
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Name:
        return r.name;
    case Path:
        return r.path;
    case Date:
        if (r.created.isValid())
            return QLocale().toString(r.created.toLocalTime(), QLocale::ShortFormat);
        return r.dateText.endsWith(u'\n') ? r.dateText.chopped(1) : r.dateText;
    default:
        return {};
    }
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[] = {"Name", "Path", "Date"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

} // namespace trevalo
