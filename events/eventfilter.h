#pragma once
// Looking into the event log: filters over EventTable (a range of dates, a
// room, a relay, the kind of event and how it was set), which combine; a
// filter model that shows a grid only the events chosen, in the table's
// order; the counts of the chart (events per day, or per hour of the day,
// stacked by kind or by relay); and the events file of the events shown.
//
// The filter is a view: EventTable, its order, its current record and the
// events file that Save As writes keep the whole log.
#include <QByteArray>
#include <QDate>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

#include "shellservices.h"

namespace porv {

class MemTable;
struct ClockReadings;

// The kind of an event, read from its RoomNumber (the decoded origin).
enum class EventKind { Room, InCall, Button, Error };
constexpr int kEventKinds = 4;
EventKind KindOfEvent(const QByteArray &room);
// "Room", "In call", "Button", "error".
QString EventKindName(EventKind kind);

// The date of a Date text "dd/mm/yy" (years 2000 to 2099); null when the text
// is no date.
QDate EventDate(const QByteArray &date);
// The hour of a Time text "hh:nn:ss"; -1 when the text holds no hour 0-23.
int EventHour(const QByteArray &time);

// Where the fields the filters read are in a table; -1 for a missing one.
struct EventFields {
    int date = -1, time = -1, room = -1, relay = -1, source = -1;
    static EventFields Of(const MemTable &table);
};

struct EventFilter {
    QDate from, to;                // dates from .. to, both included; a null end is open
    QByteArray room;               // RoomNumber equal to this; empty: any
    QByteArray relay;              // RlyNo equal to this; empty: any
    std::optional<EventKind> kind; // unset: any
    QByteArray setBy;              // Source equal to this; empty: any

    // No condition set: every event is chosen.
    bool ChoosesAll() const;
    // An event without a readable date is chosen only while neither end of
    // the range is set.
    bool Accepts(const MemTable &table, const EventFields &fields, int row) const;
};

// The events of a grid model over EventTable (one row per table row, in the
// table's order) that the filter chooses.
class EventFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit EventFilterModel(const MemTable &table, QObject *parent = nullptr);

    void SetFilter(const EventFilter &filter);
    const EventFilter &Filter() const { return m_filter; }
    // The table rows shown, in the grid's order.
    std::vector<int> ShownRows() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    const MemTable &m_table;
    EventFilter m_filter;
    mutable EventFields m_fields;
    mutable int m_fieldCount = -1;
};

// --- the chart's counts ------------------------------------------------------

enum class ChartPeriod { Days, HourOfDay };
enum class ChartStack { Kind, Relay };

struct EventChartData {
    QStringList series;                        // the stacked series, bottom first
    QStringList categories;                    // the label of each bar
    std::vector<std::vector<int>> counts;      // counts[series][bar]
    std::vector<std::pair<QDate, QDate>> spans; // the dates each bar covers (Days)
    QString barUnit;                           // "day", "week", "month", "year" or "hour"
    QDate first, last;                         // the dates covered (null when no event has one)
    int leftOut = 0;                           // events given that no bar holds (no date or hour)
    int Total() const;
};

// The longest run of bars a chart of dates draws: a longer range is drawn in
// weeks, then months, then years, so that every bar stays visible.
constexpr int kMaxChartBars = 120;

// Counts the given table rows per bar and series. Days: one bar per day from
// `from` to `to` (each taken from the events' own dates when null), or per
// week, month or year when the range is longer than kMaxChartBars days;
// events outside the range are left out. HourOfDay: 24 bars, 0 to 23.
EventChartData TallyEvents(const MemTable &table, const std::vector<int> &rows, ChartPeriod period,
                           ChartStack stack, QDate from = QDate(), QDate to = QDate());

// --- the events file of the events shown --------------------------------------

// The save dialog of an events file, the whole log's or the events shown:
// extension "Evt", name "Events", the events files' filter.
FileDialogRequest EventsFileDialog();

// The events file (the same header lines and table layout as the whole log's)
// holding only the given table rows, in the given order. Throws FileError.
void SaveShownEventsFile(const QString &path, const MemTable &table, const std::vector<int> &rows,
                         const ClockReadings &readings);

} // namespace porv
