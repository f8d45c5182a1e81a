#pragma once

#include "search/SearchRows.h"

#include <QAbstractTableModel>
#include <QVector>

namespace trevalo {

/// The search results: Name, Path, Date, in the order the hits came.
class SearchResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Path, Date, ColumnCount };

    explicit SearchResultsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void append(QVector<SearchRow> rows);
    void clear();

    const SearchRow& row(int index) const { return m_rows[index]; }
    const QVector<SearchRow>& rows() const { return m_rows; }
    int size() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : size(); }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : ColumnCount;
    }
    /// The date column shows a find hit's text without its line feed, and a Spotlight hit's date in the
    /// user's short format.
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVector<SearchRow> m_rows;
};

} // namespace trevalo
