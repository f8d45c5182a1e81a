#include "analyser/ResultsTableModel.h"

namespace trevalo {

void ResultsTableModel::load(const QMap<QString, QString>& foundItems, const QMap<QString, QString>& issues)
{
    beginResetModel();
    m_rows.clear();
    for (auto it = foundItems.begin(); it != foundItems.end(); ++it) {
        const QString issue = issues.value(it.key());
        m_rows.append({it.value(), issue.isEmpty() ? QStringLiteral("n/a") : issue, it.key()});
    }
    endResetModel();
}

void ResultsTableModel::removeRowAt(int row)
{
    if (row < 0 || row >= size())
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void ResultsTableModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const ResultRow& r = m_rows[index.row()];
    switch (index.column()) {
    case Name:
        return r.name;
    case Issue:
        return r.issue;
    case Where:
        return r.where;
    default:
        return {};
    }
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[] = {"Name", "Issue", "Where"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

} // namespace trevalo
