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
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <cmath>
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

// --- widths that hold what a grid shows -----------------------------------------------
//
// A header draws its title within its margins, a cell its value within the
// item margins and the grid line, each cut short ("...") when it does not
// fit. These give the widths at which nothing is cut.

// The model beneath any proxies: the table's own, every record whatever a
// filter shows.
inline const QAbstractItemModel *BaseModel(const QAbstractItemModel *model)
{
    while (auto *proxy = qobject_cast<const QAbstractProxyModel *>(model))
        model = proxy->sourceModel();
    return model;
}

// The width a header section needs for a title.
inline int TitleWidth(const QHeaderView *header, const QString &title)
{
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    return int(std::ceil(QFontMetricsF(header->font()).horizontalAdvance(title))) + 2 * margin + 1;
}

// The width a column needs for a value.
inline int CellWidth(const QTableView *grid, const QString &text)
{
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    return int(std::ceil(QFontMetricsF(grid->font()).horizontalAdvance(text))) + 2 * margin + 1
        + (grid->showGrid() ? 1 : 0);
}

// The width a grid needs to show `columns` pixels of columns whole beside its
// rows' header, its frame and a vertical scroll bar.
inline int GridWidthFor(const QTableView *grid, int columns)
{
    const int header = grid->verticalHeader()->isHidden() ? 0 : grid->verticalHeader()->width();
    const int bar = grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid->verticalScrollBar());
    return columns + header + 2 * grid->frameWidth() + bar;
}

// The width of a grid's shown columns.
inline int ShownColumnsWidth(const QTableView *grid)
{
    int width = 0;
    for (int c = 0; grid->model() && c < grid->model()->columnCount(); ++c)
        if (!grid->isColumnHidden(c))
            width += grid->columnWidth(c);
    return width;
}

// The rows' header wide enough for row numbers of `digits` digits.
inline void FitRowNumbers(QTableView *grid, int digits)
{
    grid->verticalHeader()->setFixedWidth(TitleWidth(grid->verticalHeader(), QString(digits, QLatin1Char('0'))));
}

// Keeps the shown columns of a grid as wide as their titles and the values of
// its table need, from the widths its layout gave them up: fitted afresh by
// FitAll (after a layout), and widened for the rows a fill, an insert or a
// change brings. `widened` runs when a column grew (the page sizes its grid).
class ColumnFit : public QObject {
public:
    ColumnFit(QTableView *grid, std::function<void()> widened)
        : QObject(grid), m_grid(grid), m_widened(std::move(widened))
    {
        setObjectName(QStringLiteral("ColumnFit"));
        const QAbstractItemModel *model = BaseModel(grid->model());
        connect(model, &QAbstractItemModel::modelReset, this, [this] { fitRows(0, -1); });
        connect(model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex &, int first, int last) { fitRows(first, last); });
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &from, const QModelIndex &to) { fitRows(from.row(), to.row()); });
    }
    // After a layout: every shown column fitted, and `widened` runs.
    void FitAll()
    {
        fitRows(0, -1);
        if (m_widened)
            m_widened();
    }

private:
    // Rows first to last (-1: to the end).
    void fitRows(int first, int last)
    {
        const QAbstractItemModel *model = BaseModel(m_grid->model());
        if (!model)
            return;
        const int rows = model->rowCount();
        last = last < 0 ? rows - 1 : std::min(last, rows - 1);
        bool grew = false;
        for (int c = 0; c < model->columnCount(); ++c) {
            if (m_grid->isColumnHidden(c))
                continue;
            const QFontMetricsF metrics(m_grid->font());
            qreal widest = 0;
            QString widestText;
            for (int r = std::max(0, first); r <= last; ++r) {
                const QString text = model->index(r, c).data().toString();
                if (const qreal w = metrics.horizontalAdvance(text); w > widest) {
                    widest = w;
                    widestText = text;
                }
            }
            const int need = std::max(CellWidth(m_grid, widestText),
                                      TitleWidth(m_grid->horizontalHeader(),
                                                 m_grid->model()->headerData(c, Qt::Horizontal).toString()));
            if (need > m_grid->columnWidth(c)) {
                m_grid->setColumnWidth(c, need);
                grew = true;
            }
        }
        if (grew && m_widened)
            m_widened();
    }

    QTableView *m_grid;
    std::function<void()> m_widened;
};

// FitAll of the grid's ColumnFit, if it has one (after a layout that set its
// widths).
inline void RefitColumns(QTableView *grid)
{
    for (QObject *child : grid->children())
        if (auto *fit = dynamic_cast<ColumnFit *>(child))
            fit->FitAll();
}

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
