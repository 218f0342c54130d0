#include "clientfinder.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>

#include <algorithm>

#include "clientfilter.h"
#include "memtable.h"
#include "tablegridview.h"

namespace porv {

ClientFinder::ClientFinder(MemTable &table, TableGridView *grid, History history, const QString &name,
                           QWidget *parent)
    : QWidget(parent), m_table(table), m_grid(grid), m_kind(history)
{
    setObjectName(name + QStringLiteral("Row"));
    m_filter = new ClientFilterModel(table, this);
    // The tags' grid shows no telephone numbers: its box finds what it shows.
    m_filter->SetPhonesSearched(history == History::Room);
    m_filter->setSourceModel(grid->model());
    grid->setModel(m_filter);

    m_box = new QLineEdit(this);
    m_box->setObjectName(name);
    m_box->setPlaceholderText(history == History::Room ? QStringLiteral("Find a name, room, phone or tag")
                                                        : QStringLiteral("Find a name, room or tag"));
    m_box->setAccessibleName(QStringLiteral("Find"));
    m_box->setToolTip(QStringLiteral("Shows only the records holding this text; Escape shows all"));
    m_box->installEventFilter(this);
    connect(m_box, &QLineEdit::textChanged, this, &ClientFinder::findTextChanged);

    m_count = new QLabel(this);
    m_count->setObjectName(name + QStringLiteral("Count"));

    m_history = new QPushButton(QStringLiteral("History"), this);
    m_history->setObjectName(name + QStringLiteral("History"));
    m_history->setAutoDefault(false);
    m_history->setToolTip(history == History::Room ? QStringLiteral("The events of this record's room")
                                                   : QStringLiteral("The events set by this room's tags"));
    m_history->setEnabled(false);
    connect(m_history, &QPushButton::clicked, this, [this] {
        const QByteArray room = m_table.FieldText(QByteArrayLiteral("RoomNumber"));
        if (!room.isEmpty())
            emit historyRequested(room, m_kind == History::Tag);
    });

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(m_box, 1);
    row->addWidget(m_count);
    row->addWidget(m_history);

    connect(m_filter, &QAbstractItemModel::modelReset, this, [this] {
        showCount();
        updateNothingShown();
        followCurrentRecord();
    });
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &ClientFinder::showCount);
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, [this] {
        showCount();
        updateNothingShown();
    });
    // A record changed so that the find text no longer holds it, or deleted.
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (m_refiltering)
            return;
        showCount();
        updateNothingShown();
        markCurrentRecord();
        // The filter maps its rows afresh only after it has told of the
        // removal: the current record is looked for among them after that.
        queueCurrentCheck();
    });
    // A record posted that the find text does not hold (the filter says
    // nothing of it) may be the current one.
    connect(&table, &MemTable::rowsInserted, this, &ClientFinder::queueCurrentCheck);
    connect(&table, &MemTable::afterMove, this, &ClientFinder::followCurrentRecord);
    followCurrentRecord();
}

bool ClientFinder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_box && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape && !m_box->text().isEmpty()) {
            m_box->clear();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
            enterGrid();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ClientFinder::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The other grid over the table may have made a record current that this
    // one hides.
    if (!event->spontaneous())
        keepCurrentShown(Instead::FirstShown);
}

void ClientFinder::findTextChanged(const QString &text)
{
    {
        // The rows a new text removes are not records that changed: the
        // first record shown becomes current, below.
        const QScopedValueRollback<bool> refiltering(m_refiltering, true);
        m_filter->SetFindText(text);
    }
    showCount();
    // The grid takes its new rows in now, so that it scrolls within them.
    m_grid->doItemsLayout();
    updateNothingShown();
    keepCurrentShown(Instead::FirstShown);
    markCurrentRecord();
}

void ClientFinder::updateNothingShown()
{
    const bool none = !m_filter->FindText().isEmpty() && m_filter->rowCount() == 0;
    if (none == m_nothingShown)
        return;
    m_nothingShown = none;
    followCurrentRecord();
    emit nothingShownChanged(none);
}

void ClientFinder::keepCurrentShown(Instead instead)
{
    // Only the grid on the page shown decides: the other grid over the same
    // table may filter differently, and takes its turn when it is shown.
    if (m_filter->FindText().isEmpty() || !isVisible() || !m_table.IsOpen() || m_table.DisplaySuspended())
        return;
    // -1: a new record being entered, which no filter hides.
    const int current = m_table.Position() - 1;
    const QAbstractItemModel *shown = m_grid->model();
    if (current < 0 || shown->rowCount() == 0 || GridIndexOfTableRow(shown, current).isValid())
        return;
    int row = 0;
    if (instead == Instead::NextShown) {
        // The filter keeps the table's order: the first shown after the
        // current record, or the last shown when none follows it.
        row = shown->rowCount() - 1;
        for (int r = 0; r < shown->rowCount(); ++r) {
            if (TableRowOfGridIndex(shown->index(r, 0)) > current) {
                row = r;
                break;
            }
        }
    }
    moveToGridRow(row);
}

void ClientFinder::queueCurrentCheck()
{
    if (m_checkQueued)
        return;
    m_checkQueued = true;
    QMetaObject::invokeMethod(this, [this] {
        m_checkQueued = false;
        keepCurrentShown(Instead::NextShown);
        markCurrentRecord();
    }, Qt::QueuedConnection);
}

void ClientFinder::moveToGridRow(int gridRow)
{
    const int tableRow = TableRowOfGridIndex(m_grid->model()->index(gridRow, 0));
    if (tableRow < 0)
        return;
    // As a click on that row would: the page settles and marks it.
    if (m_grid->userMovedTo)
        m_grid->userMovedTo(tableRow);
    else
        m_table.SetPosition(tableRow + 1);
}

bool ClientFinder::Move(Step step)
{
    if (m_filter->FindText().isEmpty())
        return false;
    const QAbstractItemModel *shown = m_grid->model();
    const int count = shown->rowCount();
    if (count == 0 || m_table.DisplaySuspended())
        return true;
    const QModelIndex at = GridIndexOfTableRow(shown, m_table.Position() - 1);
    int row = 0;
    switch (step) {
    case Step::First: row = 0; break;
    case Step::Last: row = count - 1; break;
    case Step::Prior: row = at.isValid() ? std::max(0, at.row() - 1) : 0; break;
    case Step::Next: row = at.isValid() ? std::min(count - 1, at.row() + 1) : 0; break;
    }
    if (!at.isValid() || row != at.row())
        moveToGridRow(row);
    return true;
}

void ClientFinder::markCurrentRecord()
{
    // A row the filter removes hands the grid's current row to a neighbour,
    // which the table never moved to: the grid marks the table's own.
    if (!m_table.DisplaySuspended())
        MarkTableRow(m_grid, m_table.Position() - 1);
}

void ClientFinder::showCount()
{
    if (m_filter->FindText().isEmpty())
        m_count->clear();
    else
        m_count->setText(QStringLiteral("%1 of %2").arg(m_filter->rowCount()).arg(m_table.RecordCount()));
}

void ClientFinder::enterGrid()
{
    QAbstractItemModel *shown = m_grid->model();
    if (shown->rowCount() == 0)
        return;
    // The current record stays current when it is shown; otherwise the first
    // record shown becomes current, as a click on it would make it.
    if (!GridIndexOfTableRow(shown, m_table.Position() - 1).isValid() && m_grid->userMovedTo)
        m_grid->userMovedTo(TableRowOfGridIndex(shown->index(0, 0)));
    m_grid->setFocus(Qt::OtherFocusReason);
}

void ClientFinder::followCurrentRecord()
{
    if (m_table.DisplaySuspended())
        return;
    keepCurrentShown(Instead::NextShown);
    m_history->setEnabled(m_table.IsOpen() && !m_nothingShown
                          && !m_table.FieldText(QByteArrayLiteral("RoomNumber")).isEmpty());
}

} // namespace porv
