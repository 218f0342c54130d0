#pragma once
// A read-only grid over a table: it follows the table's current record, and
// only the user's own moves in it (mouse, keyboard) move the table's current
// record, through userMovedTo. Used by DBGrid1 and DBGrid3.
//
// The grid's model may be a chain of proxies over the table's model (colours,
// a find filter): rows are mapped through it, so userMovedTo gets the table's
// row, and GridIndexOfTableRow and MarkTableRow find a table row in the grid.
#include <QAbstractProxyModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QList>
#include <QTableView>
#include <functional>

namespace porv {

// The table row a grid index shows; -1 for none.
inline int TableRowOfGridIndex(QModelIndex index)
{
    while (auto *proxy = qobject_cast<const QAbstractProxyModel *>(index.model()))
        index = proxy->mapToSource(index);
    return index.isValid() ? index.row() : -1;
}

// The grid index (column 0) of a table row; invalid when the row is not
// shown (filtered out, or out of range).
inline QModelIndex GridIndexOfTableRow(const QAbstractItemModel *gridModel, int row)
{
    QList<const QAbstractProxyModel *> proxies;
    const QAbstractItemModel *model = gridModel;
    while (auto *proxy = qobject_cast<const QAbstractProxyModel *>(model)) {
        proxies.prepend(proxy);
        model = proxy->sourceModel();
    }
    if (!model || row < 0 || row >= model->rowCount())
        return QModelIndex();
    QModelIndex index = model->index(row, 0);
    for (const QAbstractProxyModel *proxy : proxies)
        index = proxy->mapFromSource(index);
    return index;
}

// The rows' header of the grids: a narrow column that only marks the current
// record, as wide as it is set to be. Its size is never measured from its
// thousand sections, which a filter that removes rows in many runs would
// otherwise have it do for every run.
// Marks a table row's record in the grid (current, selected, scrolled to)
// when the grid shows it, and no row when it does not.
inline void MarkTableRow(QTableView *grid, int row)
{
    QItemSelectionModel *selection = grid->selectionModel();
    if (!selection)
        return;
    const QModelIndex at = GridIndexOfTableRow(grid->model(), row);
    if (at.isValid()) {
        selection->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        grid->scrollTo(at);
    } else {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
}

class RowIndicatorHeader : public QHeaderView {
public:
    explicit RowIndicatorHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent)
    {
        // As the grid's own rows' header would be.
        setSectionsClickable(true);
        setHighlightSections(true);
    }
    QSize sizeHint() const override { return QSize(minimumWidth(), length()); }
};

class TableGridView : public QTableView {
public:
    explicit TableGridView(QWidget *parent = nullptr) : QTableView(parent)
    {
        setVerticalHeader(new RowIndicatorHeader(this));
    }
    std::function<void(int row)> userMovedTo;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        const int before = currentIndex().row();
        QTableView::mousePressEvent(event);
        report(before);
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        const int before = currentIndex().row();
        QTableView::keyPressEvent(event);
        report(before);
    }

private:
    void report(int before)
    {
        const int now = currentIndex().row();
        if (now >= 0 && now != before && userMovedTo)
            userMovedTo(TableRowOfGridIndex(currentIndex()));
    }
};

} // namespace porv
