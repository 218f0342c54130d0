#include "directorygrid.h"

#include <QColor>
#include <QTableView>

#include "tablegridview.h"

namespace porv {

namespace {

const QByteArray kCode1 = QByteArrayLiteral("Code1");
const QByteArray kCode2 = QByteArrayLiteral("Code2");
const QByteArray kSpare = QByteArrayLiteral("spare");

} // namespace

const std::vector<DirectoryGridColumn> &DirectoryGridColumns()
{
    static const std::vector<DirectoryGridColumn> columns = {
        {QByteArrayLiteral("Name"), true, 130, true, 130},
        {QByteArrayLiteral("RoomNumber"), true, 95, true, 95},
        {QByteArrayLiteral("PHnumber"), true, 130, false, -1},
        {QByteArrayLiteral("Code1"), true, 50, false, -1},
        {QByteArrayLiteral("Code2"), true, 50, false, -1},
        {QByteArrayLiteral("spare"), false, 50, false, -1},
        {QByteArrayLiteral("RFID"), false, 50, true, 90},
        {QByteArrayLiteral("Addr"), false, -1, false, -1},
    };
    return columns;
}

// --- grid model and layout --------------------------------------------------------

void DirectoryGridModel::setGlobalCodes(bool inUse)
{
    if (inUse == m_globalCodes)
        return;
    m_globalCodes = inUse;
    const int columns = columnCount();
    if (columns > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columns - 1), {Qt::ForegroundRole});
    }
}

bool DirectoryGridModel::isCodeColumn(int column) const
{
    const QByteArray name = sourceModel() ? sourceModel()->headerData(column, Qt::Horizontal).toString().toLatin1()
                                          : QByteArray();
    return name.compare(kCode1, Qt::CaseInsensitive) == 0 || name.compare(kCode2, Qt::CaseInsensitive) == 0
        || name.compare(kSpare, Qt::CaseInsensitive) == 0;
}

QVariant DirectoryGridModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::ForegroundRole && m_globalCodes && index.isValid() && isCodeColumn(index.column()))
        return QColor(128, 128, 0);
    return QIdentityProxyModel::data(index, role);
}

QVariant DirectoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::ForegroundRole && orientation == Qt::Horizontal && m_globalCodes && isCodeColumn(section))
        return QColor(Qt::gray);
    // The rows' header is only the indicator of the current record.
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return QString();
    return QIdentityProxyModel::headerData(section, orientation, role);
}

void ApplyDirectoryGridLayout(QTableView *grid, DirectoryGrid which)
{
    if (!grid || !grid->model())
        return;
    const auto &columns = DirectoryGridColumns();
    const int count = grid->model()->columnCount();
    for (int i = 0; i < count; ++i) {
        if (i >= int(columns.size())) {
            grid->setColumnHidden(i, true);
            continue;
        }
        const DirectoryGridColumn &c = columns[size_t(i)];
        const bool shown = which == DirectoryGrid::DBGrid1 ? c.shownInDBGrid1 : c.shownInDBGrid3;
        const int width = which == DirectoryGrid::DBGrid1 ? c.widthInDBGrid1 : c.widthInDBGrid3;
        if (width > 0)
            grid->setColumnWidth(i, width);
        grid->setColumnHidden(i, !shown);
    }
    // Wider where a title or a value needs it.
    RefitColumns(grid);
}

} // namespace porv
