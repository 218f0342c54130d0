#pragma once
// A read-only item model over a MemTable for the grids (DBGrid1, DBGrid3,
// DBGrid2): one row per posted record in the table's current order, one column
// per field titled with the field name; values and titles shown as Latin-1.
// Single changes reach the view as row-level signals; while the table's display
// updates are suspended nothing is sent, and the resume sends one reset.
#include <QAbstractTableModel>

namespace porv {

class MemTable;

class MemTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit MemTableModel(MemTable *table, QObject *parent = nullptr);

    MemTable *table() const { return m_table; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    MemTable *m_table;
    int m_rows = 0;
    int m_columns = 0;
};

} // namespace porv
