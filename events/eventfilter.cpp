#include "eventfilter.h"

#include <algorithm>
#include <map>

#include "eventdownload.h"
#include "memtable.h"

namespace porv {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int twoDigits(const QByteArray &text, int at)
{
    if (at + 1 >= text.size() || !isDigit(text[at]) || !isDigit(text[at + 1]))
        return -1;
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

QByteArray rowText(const MemTable &table, int row, int field)
{
    return field < 0 ? QByteArray() : table.RowText(row, field);
}

// How the bars of a chart of dates divide the range.
enum class Bars { Day, Week, Month, Year };

int monthIndex(QDate d) { return d.year() * 12 + d.month() - 1; }

struct DateBars {
    Bars unit = Bars::Day;
    QDate start; // the first day of the first bar
    int count = 0;
    bool years = false; // the range spans more than one year

    DateBars(QDate from, QDate to)
    {
        years = from.year() != to.year();
        start = from;
        count = int(from.daysTo(to)) + 1;
        if (count <= kMaxChartBars)
            return;
        unit = Bars::Week;
        start = from.addDays(1 - from.dayOfWeek());
        count = int(start.daysTo(to)) / 7 + 1;
        if (count <= kMaxChartBars)
            return;
        unit = Bars::Month;
        start = QDate(from.year(), from.month(), 1);
        count = monthIndex(to) - monthIndex(from) + 1;
        if (count <= kMaxChartBars)
            return;
        unit = Bars::Year;
        start = QDate(from.year(), 1, 1);
        count = to.year() - from.year() + 1;
    }

    int barOf(QDate d) const
    {
        switch (unit) {
        case Bars::Day: return int(start.daysTo(d));
        case Bars::Week: return d < start ? -1 : int(start.daysTo(d)) / 7;
        case Bars::Month: return monthIndex(d) - monthIndex(start);
        case Bars::Year: return d.year() - start.year();
        }
        return -1;
    }

    QDate barStart(int bar) const
    {
        switch (unit) {
        case Bars::Day: return start.addDays(bar);
        case Bars::Week: return start.addDays(7 * qint64(bar));
        case Bars::Month: return start.addMonths(bar);
        case Bars::Year: return start.addYears(bar);
        }
        return QDate();
    }

    QDate barEnd(int bar) const { return barStart(bar + 1).addDays(-1); }

    QString label(int bar) const
    {
        const QDate d = barStart(bar);
        switch (unit) {
        case Bars::Day:
        case Bars::Week: return d.toString(years ? QStringLiteral("dd/MM/yy") : QStringLiteral("dd/MM"));
        case Bars::Month: return d.toString(QStringLiteral("MM/yy"));
        case Bars::Year: return d.toString(QStringLiteral("yyyy"));
        }
        return QString();
    }

    QString unitName() const
    {
        switch (unit) {
        case Bars::Day: return QStringLiteral("day");
        case Bars::Week: return QStringLiteral("week");
        case Bars::Month: return QStringLiteral("month");
        case Bars::Year: return QStringLiteral("year");
        }
        return QString();
    }
};

} // namespace

// --- kinds, dates and hours ----------------------------------------------------------------

EventKind KindOfEvent(const QByteArray &room)
{
    if (room == "InCall")
        return EventKind::InCall;
    if (room.startsWith("Butt."))
        return EventKind::Button;
    if (room == "error")
        return EventKind::Error;
    return EventKind::Room;
}

QString EventKindName(EventKind kind)
{
    switch (kind) {
    case EventKind::Room: return QStringLiteral("Room");
    case EventKind::InCall: return QStringLiteral("In call");
    case EventKind::Button: return QStringLiteral("Button");
    case EventKind::Error: return QStringLiteral("error");
    }
    return QString();
}

QDate EventDate(const QByteArray &date)
{
    if (date.size() < 8 || date[2] != '/' || date[5] != '/')
        return QDate();
    const int day = twoDigits(date, 0), month = twoDigits(date, 3), year = twoDigits(date, 6);
    if (day < 0 || month < 0 || year < 0)
        return QDate();
    const QDate d(2000 + year, month, day);
    return d.isValid() ? d : QDate();
}

int EventHour(const QByteArray &time)
{
    const int hour = twoDigits(time, 0);
    return hour >= 0 && hour < 24 && time.size() > 2 && time[2] == ':' ? hour : -1;
}

EventFields EventFields::Of(const MemTable &table)
{
    EventFields f;
    f.date = table.FieldIndex("Date");
    f.time = table.FieldIndex("Time");
    f.room = table.FieldIndex("RoomNumber");
    f.relay = table.FieldIndex("RlyNo");
    f.source = table.FieldIndex("Source");
    return f;
}

// --- the filter -------------------------------------------------------------------------------

bool EventFilter::ChoosesAll() const
{
    return from.isNull() && to.isNull() && room.isEmpty() && relay.isEmpty() && !kind && setBy.isEmpty();
}

bool EventFilter::Accepts(const MemTable &table, const EventFields &fields, int row) const
{
    if (!from.isNull() || !to.isNull()) {
        const QDate d = EventDate(rowText(table, row, fields.date));
        if (d.isNull() || (!from.isNull() && d < from) || (!to.isNull() && d > to))
            return false;
    }
    const QByteArray roomText = rowText(table, row, fields.room);
    if (!room.isEmpty() && roomText != room)
        return false;
    if (kind && KindOfEvent(roomText) != *kind)
        return false;
    if (!relay.isEmpty() && rowText(table, row, fields.relay) != relay)
        return false;
    if (!setBy.isEmpty() && rowText(table, row, fields.source) != setBy)
        return false;
    return true;
}

EventFilterModel::EventFilterModel(const MemTable &table, QObject *parent)
    : QSortFilterProxyModel(parent), m_table(table)
{
}

void EventFilterModel::SetFilter(const EventFilter &filter)
{
    m_filter = filter;
    m_fieldCount = -1;
    invalidateFilter();
}

std::vector<int> EventFilterModel::ShownRows() const
{
    std::vector<int> rows;
    const int count = rowCount();
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        rows.push_back(mapToSource(index(i, 0)).row());
    return rows;
}

bool EventFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_filter.ChoosesAll() || sourceParent.isValid())
        return true;
    // While the table's display is suspended it may hold other rows than the
    // grid was told of: those are shown until the display is reset.
    if (sourceRow >= m_table.RecordCount())
        return true;
    // The fields are found again whenever the table may have been redefined.
    if (m_fieldCount != m_table.FieldCount()) {
        m_fields = EventFields::Of(m_table);
        m_fieldCount = m_table.FieldCount();
    }
    return m_filter.Accepts(m_table, m_fields, sourceRow);
}

// --- the chart's counts ---------------------------------------------------------------------------

int EventChartData::Total() const
{
    int total = 0;
    for (const auto &s : counts)
        for (int n : s)
            total += n;
    return total;
}

EventChartData TallyEvents(const MemTable &table, const std::vector<int> &rows, ChartPeriod period,
                           ChartStack stack, QDate from, QDate to)
{
    const EventFields fields = EventFields::Of(table);
    EventChartData data;

    // Each event's series: its kind, or its relay (in the order of the relay
    // characters).
    std::vector<int> seriesOf(rows.size());
    std::vector<QString> names;
    if (stack == ChartStack::Kind) {
        for (int k = 0; k < kEventKinds; ++k)
            names.push_back(EventKindName(EventKind(k)));
        for (size_t i = 0; i < rows.size(); ++i)
            seriesOf[i] = int(KindOfEvent(rowText(table, rows[i], fields.room)));
    } else {
        std::map<QByteArray, int> relays;
        for (int row : rows)
            relays.emplace(rowText(table, row, fields.relay), 0);
        for (auto &[relay, index] : relays) {
            index = int(names.size());
            names.push_back(relay.isEmpty() ? QStringLiteral("No relay")
                                            : QStringLiteral("Relay %1").arg(QString::fromLatin1(relay)));
        }
        for (size_t i = 0; i < rows.size(); ++i)
            seriesOf[i] = relays[rowText(table, rows[i], fields.relay)];
    }

    // The dates covered: the range asked for, or the events' own first and last.
    std::vector<QDate> dates(rows.size());
    QDate first = from, last = to;
    for (size_t i = 0; i < rows.size(); ++i) {
        dates[i] = EventDate(rowText(table, rows[i], fields.date));
        if (dates[i].isNull())
            continue;
        if (from.isNull() && (first.isNull() || dates[i] < first))
            first = dates[i];
        if (to.isNull() && (last.isNull() || dates[i] > last))
            last = dates[i];
    }
    const bool dated = !first.isNull() && !last.isNull() && first <= last;
    if (dated) {
        data.first = first;
        data.last = last;
    }

    // Each event's bar, -1 for none.
    std::vector<int> barOf(rows.size(), -1);
    int bars = 0;
    if (period == ChartPeriod::HourOfDay) {
        bars = 24;
        data.barUnit = QStringLiteral("hour");
        for (int h = 0; h < 24; ++h)
            data.categories << QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0'));
        for (size_t i = 0; i < rows.size(); ++i)
            barOf[i] = EventHour(rowText(table, rows[i], fields.time));
    } else if (dated) {
        const DateBars range(first, last);
        bars = range.count;
        data.barUnit = range.unitName();
        for (int b = 0; b < bars; ++b) {
            data.categories << range.label(b);
            data.spans.emplace_back(std::max(range.barStart(b), first), std::min(range.barEnd(b), last));
        }
        for (size_t i = 0; i < rows.size(); ++i) {
            if (!dates[i].isNull() && dates[i] >= first && dates[i] <= last)
                barOf[i] = range.barOf(dates[i]);
        }
    } else {
        data.barUnit = QStringLiteral("day");
    }

    std::vector<std::vector<int>> counts(names.size(), std::vector<int>(size_t(bars), 0));
    for (size_t i = 0; i < rows.size(); ++i) {
        if (barOf[i] < 0 || barOf[i] >= bars) {
            ++data.leftOut;
            continue;
        }
        ++counts[size_t(seriesOf[i])][size_t(barOf[i])];
    }
    // Series without events stay out of the chart and its legend.
    for (size_t s = 0; s < names.size(); ++s) {
        if (std::any_of(counts[s].begin(), counts[s].end(), [](int n) { return n > 0; })) {
            data.series << names[s];
            data.counts.push_back(std::move(counts[s]));
        }
    }
    return data;
}

// --- the events file of the events shown ------------------------------------------------------------

FileDialogRequest EventsFileDialog()
{
    FileDialogRequest request;
    request.defaultExtension = QStringLiteral("Evt");
    request.filter = QStringLiteral("PortavelEvents(*.Evt)|*.Evt|All Files (*.*)|*.*");
    request.fileName = QStringLiteral("Events");
    return request;
}

void SaveShownEventsFile(const QString &path, const MemTable &table, const std::vector<int> &rows,
                         const ClockReadings &readings)
{
    MemTable shown;
    for (int f = 0; f < table.FieldCount(); ++f)
        shown.DefineField(table.Field(f).name, table.Field(f).type, table.Field(f).width);
    shown.Open();
    QList<QByteArray> values(table.FieldCount());
    for (int row : rows) {
        for (int f = 0; f < table.FieldCount(); ++f)
            values[f] = table.RowText(row, f);
        shown.AppendRecord(values);
    }
    SaveEventsFile(path, shown, readings);
}

} // namespace porv
