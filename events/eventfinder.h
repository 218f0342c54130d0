#pragma once
// The Events page's way into the log: the filter row (From, to, Room, Relay,
// Kind, Set by, Show all), the count "n of N events" with "Save shown
// events…", and the chart, all over one EventFilterModel that stands between
// DBGrid2 and its model. The chart follows the filters; a click on a day of
// the chart narrows the dates to that day, and the chart's Back returns to
// the dates before the click.
//
// The table itself is never filtered: its order, current record and the
// events file of Save As keep the whole log. When the filters hide the current
// event, the first event shown becomes current.
#include <QByteArray>
#include <QDate>
#include <QModelIndex>
#include <QObject>

#include <functional>
#include <vector>

#include "eventfilter.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QWidget;

namespace porv {

class EventChart;
class MemTable;
class ShellServices;
struct ClockReadings;

class EventFinder : public QObject {
    Q_OBJECT
public:
    // Puts the filter between the grid and the model it shows now. The
    // widgets are made as children of `page`, which places them.
    EventFinder(MemTable &table, QTableView *grid, ShellServices &shell, std::function<ClockReadings()> readings,
                QWidget *page);

    QWidget *FilterBar() const { return m_filterBar; }
    QWidget *CountBar() const { return m_countBar; }
    EventChart *Chart() const { return m_chart; }
    EventFilterModel *Filter() const { return m_filter; }

    // The table row of a grid index, and the grid index of a table row
    // (invalid when that event is not shown).
    int TableRow(const QModelIndex &gridIndex) const;
    QModelIndex GridIndex(int tableRow) const;

public slots:
    // The events of a room alone (all filters but the room cleared), or those
    // its tags set (Set by RF-ID).
    void ShowHistory(const QByteArray &room, bool tagEvents);
    // Every filter cleared.
    void ShowAll();
    // "Save shown events…": the events file of the events shown.
    void SaveShownEventsClick();
    // The dates of a bar of the chart.
    void ShowDates(QDate from, QDate to);
    // The dates before the last click on a bar (the chart's Back).
    void BackToEarlierDates();

private:
    void buildFilterBar(QWidget *page);
    void applyFilter();
    void tableReset();
    void showDateRange();
    void showCountAndChart();
    void keepCurrentShown();
    // A click on a bar: its dates, the dates before kept for Back.
    void narrowToBar(QDate from, QDate to);
    void offerBack();

    MemTable &m_table;
    QTableView *m_grid;
    ShellServices &m_shell;
    std::function<ClockReadings()> m_readings;
    EventFilterModel *m_filter = nullptr;
    bool m_fromSet = false;
    bool m_toSet = false;
    struct EarlierDates {
        bool fromSet;
        QDate from;
        bool toSet;
        QDate to;
    };
    std::vector<EarlierDates> m_earlierDates;

    QWidget *m_filterBar = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLineEdit *m_room = nullptr;
    QComboBox *m_relay = nullptr;
    QComboBox *m_kind = nullptr;
    QComboBox *m_setBy = nullptr;
    QPushButton *m_showAll = nullptr;
    QWidget *m_countBar = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_saveShown = nullptr;
    EventChart *m_chart = nullptr;
};

} // namespace porv
