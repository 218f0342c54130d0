#include "memtablemodel.h"

#include "memtable.h"

namespace porv {

MemTableModel::MemTableModel(MemTable *table, QObject *parent) : QAbstractTableModel(parent), m_table(table)
{
    m_rows = table->RecordCount();
    m_columns = table->FieldCount();

    connect(table, &MemTable::displayAboutToBeReset, this, [this] { beginResetModel(); });
    connect(table, &MemTable::displayReset, this, [this] {
        m_rows = m_table->RecordCount();
        m_columns = m_table->FieldCount();
        endResetModel();
    });
    connect(table, &MemTable::rowsAboutToBeInserted, this,
            [this](int row) { beginInsertRows(QModelIndex(), row, row); });
    connect(table, &MemTable::rowsInserted, this, [this] {
        ++m_rows;
        endInsertRows();
    });
    connect(table, &MemTable::rowsAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows(QModelIndex(), row, row); });
    connect(table, &MemTable::rowsRemoved, this, [this] {
        --m_rows;
        endRemoveRows();
    });
    connect(table, &MemTable::rowAboutToBeMoved, this, [this](int from, int to) {
        // The destination counts rows before the move: below the source it is
        // the row after the final place.
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    });
    connect(table, &MemTable::rowMoved, this, [this] { endMoveRows(); });
    connect(table, &MemTable::rowChanged, this, [this](int row) {
        if (row >= 0 && row < m_rows && m_columns > 0)
            emit dataChanged(index(row, 0), index(row, m_columns - 1), {Qt::DisplayRole});
    });
}

int MemTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int MemTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_columns; }

QVariant MemTableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    // While display updates are suspended the table may differ from what the
    // view was last told: read only what is there.
    if (index.row() >= m_table->RecordCount() || index.column() >= m_table->FieldCount())
        return QVariant();
    return QString::fromLatin1(m_table->RowText(index.row(), index.column()));
}

QVariant MemTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_table->FieldCount())
            return QVariant();
        return QString::fromLatin1(m_table->Field(section).name);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags MemTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace porv
