#pragma once
// How the grids over DirectoryTable look: which fields each grid shows and
// how wide (DBGrid1 on the PhoneDataBase page, DBGrid3 on the RFID page), and
// DBGrid1's view of the table with the code columns in olive while the unit's
// global gate codes are in use.
#include <QByteArray>
#include <QIdentityProxyModel>

#include <vector>

class QTableView;

namespace porv {

// Column layout of the two grids that show DirectoryTable, in field order.
// A width of -1 leaves the grid's default.
struct DirectoryGridColumn {
    QByteArray field;
    bool shownInDBGrid1;
    int widthInDBGrid1;
    bool shownInDBGrid3;
    int widthInDBGrid3;
};
const std::vector<DirectoryGridColumn> &DirectoryGridColumns();
// DBGrid1's width: its five shown columns plus 39 pixels of indicator and lines.
constexpr int kDBGrid1Width = 494;

// Column widths and visibility of the two grids over DirectoryTable.
enum class DirectoryGrid { DBGrid1, DBGrid3 };
void ApplyDirectoryGridLayout(QTableView *grid, DirectoryGrid which);

// DBGrid1's view of the table: the table's own columns, with the code columns
// (Code1, Code2, spare) in olive and their titles grey while the unit's
// "Use Global Gate Codes" option is shown as in use.
class DirectoryGridModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit DirectoryGridModel(QObject *parent = nullptr) : QIdentityProxyModel(parent) {}
    void setGlobalCodes(bool inUse);
    bool globalCodes() const { return m_globalCodes; }
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    bool isCodeColumn(int column) const;
    bool m_globalCodes = false;
};

} // namespace porv
