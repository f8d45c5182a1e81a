#pragma once

#include <QAbstractTableModel>
#include <QMap>
#include <QVector>

namespace trevalo {

/// One row of the Analyser's results table.
struct ResultRow {
    QString name;  ///< the item's name (last path component)
    QString issue; ///< the issue name, or "n/a"
    QString where; ///< the item's full path
};

/// The results table: Name, Issue, Where. Rows come in the order of the found-items map; the view may
/// sort them for the user without changing this order.
class ResultsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Issue, Where, ColumnCount };

    explicit ResultsTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    /// Fills the table from the scan's maps: found path to name, and path to issue name.
    void load(const QMap<QString, QString>& foundItems, const QMap<QString, QString>& issues);
    void removeRowAt(int row);
    void clear();

    const ResultRow& row(int index) const { return m_rows[index]; }
    int size() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : size(); }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVector<ResultRow> m_rows;
};

} // namespace trevalo
