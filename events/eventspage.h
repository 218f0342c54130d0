#pragma once
// The Events page: the event grid DBGrid2 over EventTable, the "Event Details"
// group that follows the current record, the " Time " group with the unit's and
// the PC's clock at the last download, and the buttons Down Load (dnLoad) and
// Set_time. File Save As on this page writes the events file.
#include <QDateTime>
#include <QWidget>

#include <functional>

#include "eventdownload.h"
#include "memtable.h"
#include "shellpage.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableView;

namespace porv {

class EventFinder;
class Link;
class MemTableModel;
class ShellServices;

class EventsPage : public QWidget, public ShellPage {
    Q_OBJECT
public:
    EventsPage(Link &link, ShellServices &shell, QWidget *parent = nullptr);
    ~EventsPage() override;

    MemTable &EventTable() { return m_table; }
    const MemTable &EventTable() const { return m_table; }
    QTableView *DBGrid2() const { return m_grid; }
    // The filters, the count and the chart over DBGrid2.
    EventFinder *Finder() const { return m_finder; }
    // The clock readings the boxes of the " Time " group show.
    ClockReadings Readings() const;
    const EventDownloadOutcome &LastOutcome() const { return m_lastOutcome; }

    // The PC's local clock, used by the download and by Set_time (tests fix it).
    void SetLocalClock(std::function<QDateTime()> clock);

    // --- ShellPage ---
    void FileSaveAs() override;
    bool ShowHistory(const QByteArray &room, bool tagEvents) override;

public slots:
    void dnLoadClick();
    void Set_timeClick();
    void DBGrid2TitleClick(int column);
    void EventTableAfterScroll();

private:
    void LayoutEventGrid();
    void showReadings(const ClockReadings &readings);
    void followCurrentRecord();
    QDateTime now() const;

    Link &m_link;
    ShellServices &m_shell;
    MemTable m_table;
    MemTableModel *m_model = nullptr;
    EventFinder *m_finder = nullptr;
    std::function<QDateTime()> m_clock;
    EventDownloadOutcome m_lastOutcome;
    bool m_downloading = false;
    bool m_syncing = false;

    QTableView *m_grid = nullptr;
    QGroupBox *m_details = nullptr;
    QLineEdit *E_Numb = nullptr, *E_Room = nullptr, *E_Client = nullptr, *E_relay = nullptr;
    QLineEdit *E_source = nullptr, *E_time = nullptr, *E_date = nullptr;
    QGroupBox *m_timerBox = nullptr;
    QLineEdit *Stime = nullptr, *Sdate = nullptr, *Ctime = nullptr, *Cdate = nullptr;
    QPushButton *dnLoad = nullptr, *Set_time = nullptr;
};

} // namespace porv
