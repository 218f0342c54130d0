#include "eventfinder.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTableView>

#include <algorithm>
#include <set>

#include "eventchart.h"
#include "eventdownload.h"
#include "memtable.h"
#include "namedchoice.h"
#include "shellservices.h"

namespace porv {

namespace {

const QByteArray kRelayField = QByteArrayLiteral("RlyNo");
const QByteArray kDateField = QByteArrayLiteral("Date");

QString dateText(QDate d) { return d.toString(QStringLiteral("dd/MM/yy")); }

} // namespace

EventFinder::EventFinder(MemTable &table, QTableView *grid, ShellServices &shell,
                         std::function<ClockReadings()> readings, QWidget *page)
    : QObject(page), m_table(table), m_grid(grid), m_shell(shell), m_readings(std::move(readings))
{
    setObjectName(QStringLiteral("EventFinder"));
    m_filter = new EventFilterModel(table, this);
    m_filter->setSourceModel(grid->model());
    grid->setModel(m_filter);

    buildFilterBar(page);

    m_countBar = new QWidget(page);
    m_countBar->setObjectName(QStringLiteral("EventCountRow"));
    m_count = new QLabel(m_countBar);
    m_count->setObjectName(QStringLiteral("EventCount"));
    m_saveShown = new QPushButton(QStringLiteral("Save shown events…"), m_countBar);
    m_saveShown->setObjectName(QStringLiteral("SaveShownEvents"));
    m_saveShown->setToolTip(QStringLiteral("Save the events shown in an events file (Save As saves them all)"));
    m_saveShown->setAutoDefault(false);
    m_saveShown->setEnabled(false);
    connect(m_saveShown, &QPushButton::clicked, this, &EventFinder::SaveShownEventsClick);
    auto *countRow = new QHBoxLayout(m_countBar);
    countRow->setContentsMargins(0, 0, 0, 0);
    countRow->addWidget(m_count, 1);
    countRow->addWidget(m_saveShown);

    m_chart = new EventChart(page);
    connect(m_chart, &EventChart::optionsChanged, this, &EventFinder::showCountAndChart);
    connect(m_chart, &EventChart::datesClicked, this, &EventFinder::narrowToBar);
    connect(m_chart, &EventChart::backClicked, this, &EventFinder::BackToEarlierDates);

    connect(m_filter, &QAbstractItemModel::modelReset, this, &EventFinder::tableReset);
    // A download or a title click makes the first record of the table
    // current; while filtered, that is the first event shown.
    connect(&table, &MemTable::afterMove, this, &EventFinder::keepCurrentShown);
    tableReset();
}

void EventFinder::buildFilterBar(QWidget *page)
{
    m_filterBar = new QWidget(page);
    m_filterBar->setObjectName(QStringLiteral("EventFilters"));
    auto *row = new QHBoxLayout(m_filterBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto add = [this, row](const QString &caption, QWidget *control) {
        auto *label = new QLabel(caption, m_filterBar);
        label->setBuddy(control);
        row->addWidget(label);
        row->addWidget(control);
    };
    auto dateBox = [this](const char *name, const QString &hint) {
        auto *box = new QDateEdit(m_filterBar);
        box->setObjectName(QLatin1String(name));
        box->setDisplayFormat(QStringLiteral("dd/MM/yy"));
        box->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
        box->setCalendarPopup(true);
        box->setToolTip(hint);
        return box;
    };
    auto combo = [this](const char *name, const QString &caption, const QList<std::pair<QString, QVariant>> &items) {
        auto *box = new NamedChoice(caption, m_filterBar);
        box->setObjectName(QLatin1String(name));
        for (const auto &[text, value] : items)
            box->addItem(text, value);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        return box;
    };
    m_from = dateBox("EventFrom", QStringLiteral("The first day of the events shown"));
    m_to = dateBox("EventTo", QStringLiteral("The last day of the events shown"));
    m_room = new QLineEdit(m_filterBar);
    m_room->setObjectName(QStringLiteral("EventRoom"));
    m_room->setMaxLength(6);
    // Wide enough for six digits, "InCall" and "Butt.8" whole.
    int widest = 0;
    for (const char *text : {"000000", "999999", "InCall", "Butt.8"})
        widest = std::max(widest, m_room->fontMetrics().horizontalAdvance(QLatin1String(text)));
    QStyleOptionFrame frame;
    frame.initFrom(m_room);
    frame.lineWidth = m_room->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, m_room);
    // The edit keeps 2 pixels on either side of its text.
    m_room->setFixedWidth(
        m_room->style()->sizeFromContents(QStyle::CT_LineEdit, &frame, QSize(widest + 4 + 1, 0), m_room).width());
    m_room->setToolTip(QStringLiteral("Only the events of this room"));
    m_room->setAccessibleName(QStringLiteral("Room filter"));
    const QString all = QStringLiteral("All");
    m_relay = combo("EventRelay", QStringLiteral("Relay filter"), {{all, QByteArray()}, {QStringLiteral("1"), QByteArray("1")},
                                   {QStringLiteral("2"), QByteArray("2")}});
    QList<std::pair<QString, QVariant>> kinds = {{all, -1}};
    for (int k = 0; k < kEventKinds; ++k)
        kinds.append({EventKindName(EventKind(k)), k});
    m_kind = combo("EventKind", QStringLiteral("Kind filter"), kinds);
    m_setBy = combo("EventSetBy", QStringLiteral("Set by filter"), {{all, QByteArray()},
                                   {QStringLiteral("local"), QByteArray("local")},
                                   {QStringLiteral("Remote"), QByteArray("Remote")},
                                   {QStringLiteral("RF-ID"), QByteArray("RF-ID")},
                                   {QStringLiteral("Error"), QByteArray("Error")}});
    m_showAll = new QPushButton(QStringLiteral("Show all"), m_filterBar);
    m_showAll->setObjectName(QStringLiteral("EventShowAll"));
    m_showAll->setToolTip(QStringLiteral("Clear the filters"));
    m_showAll->setAutoDefault(false);

    add(QStringLiteral("From"), m_from);
    add(QStringLiteral("to"), m_to);
    row->addSpacing(4);
    add(QStringLiteral("Room"), m_room);
    add(QStringLiteral("Relay"), m_relay);
    add(QStringLiteral("Kind"), m_kind);
    add(QStringLiteral("Set by"), m_setBy);
    row->addStretch(1);
    row->addWidget(m_showAll);

    connect(m_from, &QDateEdit::dateChanged, this, [this] {
        m_fromSet = true;
        applyFilter();
    });
    connect(m_to, &QDateEdit::dateChanged, this, [this] {
        m_toSet = true;
        applyFilter();
    });
    connect(m_room, &QLineEdit::textChanged, this, &EventFinder::applyFilter);
    for (QComboBox *box : {m_relay, m_kind, m_setBy})
        connect(box, &QComboBox::currentIndexChanged, this, &EventFinder::applyFilter);
    connect(m_showAll, &QPushButton::clicked, this, &EventFinder::ShowAll);
}

int EventFinder::TableRow(const QModelIndex &gridIndex) const
{
    if (gridIndex.model() != m_filter)
        return -1;
    const QModelIndex source = m_filter->mapToSource(gridIndex);
    return source.isValid() ? source.row() : -1;
}

QModelIndex EventFinder::GridIndex(int tableRow) const
{
    QAbstractItemModel *source = m_filter->sourceModel();
    if (!source || tableRow < 0 || tableRow >= source->rowCount())
        return QModelIndex();
    return m_filter->mapFromSource(source->index(tableRow, 0));
}

void EventFinder::applyFilter()
{
    EventFilter f;
    if (m_fromSet)
        f.from = m_from->date();
    if (m_toSet)
        f.to = m_to->date();
    f.room = m_room->text().trimmed().toLatin1();
    f.relay = m_relay->currentData().toByteArray();
    if (const int kind = m_kind->currentData().toInt(); kind >= 0)
        f.kind = EventKind(kind);
    f.setBy = m_setBy->currentData().toByteArray();
    m_filter->SetFilter(f);
    // The grid takes its new rows in now, so that it scrolls to the current
    // event within them rather than within the rows it had.
    m_grid->doItemsLayout();
    keepCurrentShown();
    if (const QModelIndex current = GridIndex(m_table.Position() - 1); current.isValid())
        m_grid->scrollTo(current);
    showCountAndChart();
}

void EventFinder::ShowAll()
{
    m_earlierDates.clear();
    {
        const QSignalBlocker a(m_room), b(m_relay), c(m_kind), d(m_setBy);
        m_room->clear();
        m_relay->setCurrentIndex(0);
        m_kind->setCurrentIndex(0);
        m_setBy->setCurrentIndex(0);
    }
    m_fromSet = m_toSet = false;
    showDateRange();
    applyFilter();
}

void EventFinder::ShowHistory(const QByteArray &room, bool tagEvents)
{
    // Before the first download there is nothing to filter: a room set now
    // would hide most of the download to come.
    if (!m_table.IsOpen()) {
        m_shell.ShowStatus(0, QStringLiteral("No events yet: Down Load reads them from the unit"));
        return;
    }
    m_earlierDates.clear();
    {
        const QSignalBlocker a(m_room), b(m_relay), c(m_kind), d(m_setBy);
        m_room->setText(QString::fromLatin1(room));
        m_relay->setCurrentIndex(0);
        m_kind->setCurrentIndex(0);
        m_setBy->setCurrentIndex(tagEvents ? m_setBy->findData(QByteArray("RF-ID")) : 0);
    }
    m_fromSet = m_toSet = false;
    showDateRange();
    applyFilter();
}

void EventFinder::ShowDates(QDate from, QDate to)
{
    if (!from.isValid() || !to.isValid())
        return;
    {
        const QSignalBlocker a(m_from), b(m_to);
        m_from->setDate(from);
        m_to->setDate(to);
    }
    m_fromSet = m_toSet = true;
    applyFilter();
}

void EventFinder::narrowToBar(QDate from, QDate to)
{
    if (!from.isValid() || !to.isValid())
        return;
    m_earlierDates.push_back({m_fromSet, m_from->date(), m_toSet, m_to->date()});
    ShowDates(from, to);
    offerBack();
}

void EventFinder::BackToEarlierDates()
{
    if (m_earlierDates.empty())
        return;
    const EarlierDates earlier = m_earlierDates.back();
    m_earlierDates.pop_back();
    {
        const QSignalBlocker a(m_from), b(m_to);
        m_from->setDate(earlier.from);
        m_to->setDate(earlier.to);
    }
    m_fromSet = earlier.fromSet;
    m_toSet = earlier.toSet;
    showDateRange();
    applyFilter();
    offerBack();
}

void EventFinder::offerBack()
{
    if (m_earlierDates.empty()) {
        m_chart->OfferBack(QString());
        return;
    }
    const EarlierDates &earlier = m_earlierDates.back();
    m_chart->OfferBack(earlier.from == earlier.to ? dateText(earlier.from)
                                                  : QStringLiteral("%1 to %2").arg(dateText(earlier.from),
                                                                                  dateText(earlier.to)));
}

void EventFinder::tableReset()
{
    // The relays the log holds, besides 1 and 2.
    std::set<QByteArray> relays = {QByteArray("1"), QByteArray("2")};
    const int relayField = m_table.FieldIndex(kRelayField);
    for (int r = 0; relayField >= 0 && r < m_table.RecordCount(); ++r)
        relays.insert(m_table.RowText(r, relayField));
    relays.erase(QByteArray());
    for (const QByteArray &relay : relays) {
        if (m_relay->findData(relay) < 0) {
            const QSignalBlocker block(m_relay);
            m_relay->addItem(QString::fromLatin1(relay), relay);
        }
    }
    m_saveShown->setEnabled(m_table.IsOpen());
    // Another log: the dates before a click were those of the last one.
    m_earlierDates.clear();
    offerBack();
    showDateRange();
    keepCurrentShown();
    showCountAndChart();
}

void EventFinder::showDateRange()
{
    // Ends the user has not chosen show the first and last day of the log.
    const int dateField = m_table.FieldIndex(kDateField);
    QDate first, last;
    for (int r = 0; dateField >= 0 && r < m_table.RecordCount(); ++r) {
        const QDate d = EventDate(m_table.RowText(r, dateField));
        if (d.isNull())
            continue;
        if (first.isNull() || d < first)
            first = d;
        if (last.isNull() || d > last)
            last = d;
    }
    const QSignalBlocker a(m_from), b(m_to);
    if (!m_fromSet && !first.isNull())
        m_from->setDate(first);
    if (!m_toSet && !last.isNull())
        m_to->setDate(last);
}

void EventFinder::keepCurrentShown()
{
    if (!m_table.IsOpen() || m_table.DisplaySuspended() || m_filter->Filter().ChoosesAll()
        || m_filter->rowCount() == 0 || GridIndex(m_table.Position() - 1).isValid())
        return;
    m_table.SetPosition(TableRow(m_filter->index(0, 0)) + 1);
}

void EventFinder::showCountAndChart()
{
    m_count->setText(QStringLiteral("%1 of %2 events").arg(m_filter->rowCount()).arg(m_table.RecordCount()));
    const EventFilter &f = m_filter->Filter();
    const EventChartData data =
        TallyEvents(m_table, m_filter->ShownRows(), m_chart->Period(), m_chart->Stack(), f.from, f.to);
    QString range;
    if (!data.first.isNull())
        range = data.first == data.last ? dateText(data.first)
                                        : QStringLiteral("%1 to %2").arg(dateText(data.first), dateText(data.last));
    m_chart->Show(data, range);
}

void EventFinder::SaveShownEventsClick()
{
    // Nothing to save before the first download.
    if (!m_table.IsOpen())
        return;
    const QString path = m_shell.AskSaveFileName(EventsFileDialog());
    if (path.isEmpty())
        return;
    SaveShownEventsFile(path, m_table, m_filter->ShownRows(), m_readings());
}

} // namespace porv
