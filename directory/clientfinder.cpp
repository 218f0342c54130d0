#include "clientfinder.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
        followCurrentRecord();
    });
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &ClientFinder::showCount);
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, &ClientFinder::showCount);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, [this] {
        showCount();
        markCurrentRecord();
    });
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

void ClientFinder::findTextChanged(const QString &text)
{
    m_filter->SetFindText(text);
    showCount();
    // The grid takes its new rows in now, so that it scrolls within them.
    m_grid->doItemsLayout();
    markCurrentRecord();
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
    m_history->setEnabled(m_table.IsOpen() && !m_table.FieldText(QByteArrayLiteral("RoomNumber")).isEmpty());
}

} // namespace porv
