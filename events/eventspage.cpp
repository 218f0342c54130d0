#include "eventspage.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "eventchart.h"
#include "eventfilter.h"
#include "eventfinder.h"
#include "eventtable.h"
#include "link.h"
#include "memtablemodel.h"
#include "shellservices.h"
#include "tablegridview.h"

namespace porv {

namespace {

QLineEdit *readOnlyBox(QWidget *parent, const char *name, const QString &text = QString())
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    return box;
}

QString shown(const QByteArray &bytes) { return QString::fromLatin1(bytes); }

} // namespace

EventsPage::EventsPage(Link &link, ShellServices &shell, QWidget *parent)
    : QWidget(parent), m_link(link), m_shell(shell)
{
    setObjectName(QStringLiteral("EventsPage"));
    m_table.setObjectName(QStringLiteral("EventTable"));
    m_model = new MemTableModel(&m_table, this);

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid2"));
    m_grid->setAccessibleName(QStringLiteral("Events"));
    m_grid->setModel(m_model);
    // The filters, the count and the chart: a view of the table, never a change of it.
    m_finder = new EventFinder(m_table, m_grid, shell, [this] { return Readings(); }, this);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSortingEnabled(false);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 4);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &EventsPage::DBGrid2TitleClick);
    // Every column as wide as its title and its widest value; the grid as
    // wide as all seven.
    new ColumnFit(m_grid, [this] { m_grid->setFixedWidth(GridWidthFor(m_grid, ShownColumnsWidth(m_grid))); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (m_syncing || !current.isValid())
                    return;
                m_table.SetPosition(m_finder->TableRow(current) + 1);
            });
    connect(&m_table, &MemTable::afterMove, this, &EventsPage::EventTableAfterScroll);

    // Event Details.
    m_details = new QGroupBox(QStringLiteral("Event Details"), this);
    m_details->setObjectName(QStringLiteral("GroupBox4"));
    auto *details = new QGridLayout(m_details);
    struct Box { QLineEdit *&box; const char *name; const char *label; };
    const Box boxes[] = {
        {E_Numb, "E_Numb", "Event #"},       {E_Room, "E_Room", "Room Number"}, {E_Client, "E_Client", "Client"},
        {E_relay, "E_relay", "Relay"},       {E_source, "E_source", "Set by"},  {E_time, "E_time", "Event time"},
        {E_date, "E_date", "Date"},
    };
    int row = 0;
    for (const Box &b : boxes) {
        b.box = readOnlyBox(m_details, b.name);
        auto *label = new QLabel(QString::fromLatin1(b.label), m_details);
        label->setBuddy(b.box);
        details->addWidget(label, row, 0);
        details->addWidget(b.box, row, 1);
        ++row;
    }
    E_Numb->setMaximumWidth(80);
    E_relay->setMaximumWidth(40);

    // The unit's clock and the PC's at the last download.
    const ClockReadings initial;
    m_timerBox = new QGroupBox(QStringLiteral(" Time "), this);
    m_timerBox->setObjectName(QStringLiteral("timerBox"));
    auto *clock = new QGridLayout(m_timerBox);
    clock->addWidget(new QLabel(QStringLiteral("Portavil's"), m_timerBox), 0, 1);
    clock->addWidget(new QLabel(QStringLiteral("Loaded At"), m_timerBox), 0, 2);
    clock->addWidget(new QLabel(QStringLiteral("Time:"), m_timerBox), 1, 0);
    clock->addWidget(new QLabel(QStringLiteral("Date:"), m_timerBox), 2, 0);
    Stime = readOnlyBox(m_timerBox, "Stime", shown(initial.Stime));
    Sdate = readOnlyBox(m_timerBox, "Sdate", shown(initial.Sdate));
    Ctime = readOnlyBox(m_timerBox, "Ctime", initial.Ctime);
    Cdate = readOnlyBox(m_timerBox, "Cdate", initial.Cdate);
    Stime->setAccessibleName(QStringLiteral("Portavil's time"));
    Sdate->setAccessibleName(QStringLiteral("Portavil's date"));
    Ctime->setAccessibleName(QStringLiteral("Time loaded at"));
    Cdate->setAccessibleName(QStringLiteral("Date loaded at"));
    clock->addWidget(Stime, 1, 1);
    clock->addWidget(Sdate, 2, 1);
    clock->addWidget(Ctime, 1, 2);
    clock->addWidget(Cdate, 2, 2);

    dnLoad = new QPushButton(QStringLiteral("Down Load"), this);
    dnLoad->setObjectName(QStringLiteral("dnLoad"));
    dnLoad->setToolTip(QStringLiteral("Load Data"));
    dnLoad->setStatusTip(QStringLiteral("Load Event Data From Portavel"));
    dnLoad->setEnabled(false); // the log-on enables the transfer buttons
    connect(dnLoad, &QPushButton::clicked, this, &EventsPage::dnLoadClick);

    Set_time = new QPushButton(QStringLiteral("Set_time"), this);
    Set_time->setObjectName(QStringLiteral("Set_time"));
    Set_time->setToolTip(QStringLiteral("Set the Portavel Time"));
    Set_time->setStatusTip(QStringLiteral("Set the Portavel Time"));
    Set_time->setEnabled(false);
    connect(Set_time, &QPushButton::clicked, this, &EventsPage::Set_timeClick);

    auto *side = new QVBoxLayout;
    side->addWidget(m_details);
    side->addWidget(m_timerBox);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(dnLoad);
    buttons->addWidget(Set_time);
    side->addLayout(buttons);
    side->addStretch(1);

    // The filters across the top; the grid with the count beneath it; beside
    // it the event's details and the clocks, or the chart.
    auto *detailsView = new QWidget;
    detailsView->setObjectName(QStringLiteral("EventDetailsView"));
    detailsView->setLayout(side);
    auto *views = new QTabWidget(this);
    views->setObjectName(QStringLiteral("EventViews"));
    views->setAccessibleName(QStringLiteral("Event details or chart"));
    views->setDocumentMode(true);
    views->addTab(detailsView, QStringLiteral("Details"));
    views->addTab(m_finder->Chart(), QStringLiteral("Chart"));
    auto *gridColumn = new QVBoxLayout;
    gridColumn->addWidget(m_grid, 1);
    gridColumn->addWidget(m_finder->CountBar());
    auto *body = new QHBoxLayout;
    body->addLayout(gridColumn, 0);
    body->addWidget(views, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_finder->FilterBar());
    layout->addLayout(body, 1);
    m_grid->setMinimumWidth(200);
}

EventsPage::~EventsPage()
{
    // The grid's model goes before the table it reads.
    m_grid->setModel(nullptr);
    delete m_model;
    m_model = nullptr;
}

void EventsPage::SetLocalClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

QDateTime EventsPage::now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }

ClockReadings EventsPage::Readings() const
{
    ClockReadings r;
    r.Stime = Stime->text().toLatin1();
    r.Sdate = Sdate->text().toLatin1();
    r.Ctime = Ctime->text();
    r.Cdate = Cdate->text();
    return r;
}

void EventsPage::showReadings(const ClockReadings &readings)
{
    Stime->setText(shown(readings.Stime));
    Sdate->setText(shown(readings.Sdate));
    Ctime->setText(readings.Ctime);
    Cdate->setText(readings.Cdate);
}

void EventsPage::dnLoadClick()
{
    // The waits of a download process clicks: a second download started inside
    // the first would empty the first one's reply and mix its own into it.
    if (m_downloading)
        return;
    m_downloading = true;
    const auto done = qScopeGuard([this] { m_downloading = false; });

    EventLogDownload download(m_link, m_shell, m_table);
    download.LocalClock = [this] { return now(); };
    download.ClockRead = [this](const ClockReadings &r) { showReadings(r); };
    m_lastOutcome = download.Run();
    if (m_lastOutcome.complete)
        LayoutEventGrid();
    for (const QString &note : EventDownloadNotes(m_lastOutcome))
        m_shell.ShowMessage(note);
}

void EventsPage::Set_timeClick()
{
    UnitWriteScope journal(m_link, UnitWriteKind::ClockSet);
    if (!journal.Allowed())
        return;
    const QDateTime at = now();
    m_link.SendCommand(SetClockCommand(at));
    journal.Done(false, {ClockSetChange(at)}, QStringLiteral("the clock (its setting is not read back)"));
}

void EventsPage::LayoutEventGrid()
{
    // The Event column 42 pixels, Source 5 more than its values need, each
    // other column as its title and values need; the grid shows all seven,
    // Client too.
    for (int c = 0; c < m_table.FieldCount(); ++c)
        m_grid->setColumnWidth(c, m_grid->horizontalHeader()->minimumSectionSize());
    RefitColumns(m_grid);
    for (int c = 0; c < m_table.FieldCount(); ++c) {
        const QByteArray &name = m_table.Field(c).name;
        if (name == "Event")
            m_grid->setColumnWidth(c, std::max(42, m_grid->columnWidth(c)));
        else if (name == "Source")
            m_grid->setColumnWidth(c, m_grid->columnWidth(c) + 5);
    }
    m_grid->setFixedWidth(GridWidthFor(m_grid, ShownColumnsWidth(m_grid)));
    m_grid->viewport()->update();
}

void EventsPage::DBGrid2TitleClick(int column)
{
    if (!m_table.IsOpen() || column < 0 || column >= m_table.FieldCount())
        return;
    SortEventTableByTitle(m_table, m_table.Field(column).name);
}

void EventsPage::EventTableAfterScroll()
{
    // A rebuild moves the current record once per event; the details follow
    // the record current when it is over.
    if (m_table.DisplaySuspended())
        return;
    const int position = m_table.Position();
    E_Numb->setText(position > 0 ? QString::number(position) : QString());
    E_Room->setText(shown(m_table.FieldText("RoomNumber")));
    E_Client->setText(shown(m_table.FieldText("Client")));
    E_relay->setText(shown(m_table.FieldText("RlyNo")));
    E_source->setText(shown(m_table.FieldText("Source")));
    E_time->setText(shown(m_table.FieldText("Time")));
    E_date->setText(shown(m_table.FieldText("Date")));
    followCurrentRecord();
}

void EventsPage::followCurrentRecord()
{
    const int position = m_table.Position();
    if (position < 1)
        return;
    const QModelIndex index = m_finder->GridIndex(position - 1);
    if (!index.isValid())
        return;
    m_syncing = true;
    m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(index);
    m_syncing = false;
}

bool EventsPage::ShowHistory(const QByteArray &room, bool tagEvents)
{
    m_finder->ShowHistory(room, tagEvents);
    return true;
}

void EventsPage::FileSaveAs()
{
    // Nothing to save before the first download.
    if (!m_table.IsOpen())
        return;
    const QString path = m_shell.AskSaveFileName(EventsFileDialog());
    if (path.isEmpty())
        return;
    SaveEventsFile(path, m_table, Readings());
}

} // namespace porv
