// Looking into the event log: the filters combined, the chart's counts and the
// events file of the events shown; then the Events page of the real window
// (filters, chart, a click on a day, Save shown events, History from the
// PhoneDataBase page) against the simulated unit over UDP.
#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <gtest/gtest.h>

#include "directorypage.h"
#include "eventchart.h"
#include "eventdownload.h"
#include "eventfilter.h"
#include "eventfinder.h"
#include "eventspage.h"
#include "eventtable.h"
#include "memtable.h"
#include "memtablemodel.h"
#include "shell_fixture.h"
#include "unit_seed.h"

using namespace shelltest;

namespace {

QStringList texts(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *t : list)
        out << QLatin1String(t);
    return out;
}

// The Event numbers of the rows a filter shows.
QList<QByteArray> shownEvents(const porv::MemTable &table, porv::EventFilterModel &filter,
                              const porv::EventFilter &conditions)
{
    filter.SetFilter(conditions);
    QList<QByteArray> out;
    for (int row : filter.ShownRows())
        out << table.RowText(row, 0);
    return out;
}

} // namespace

TEST(EventFilterTest, FiltersCombineAndTheChartCountsWhatTheyShow)
{
    porv::MemTable table;
    porv::DefineEventTable(table);
    table.Open();
    porv::MemTableModel model(&table);
    porv::EventFilterModel filter(table);
    filter.setSourceModel(&model);
    // Event, RoomNumber, Date, Time, RlyNo, Source, Client.
    table.AppendRecord({"1", "12", "24/12/15", "08:00:00", "1", "RF-ID", "LEE"});
    table.AppendRecord({"2", "12", "25/12/15", "09:10:00", "2", "local", "LEE"});
    table.AppendRecord({"3", "12", "25/12/15", "09:20:00", "1", "RF-ID", "LEE"});
    table.AppendRecord({"4", "InCall", "25/12/15", "11:00:00", "1", "Remote", "InCall"});
    table.AppendRecord({"5", "Butt.2", "27/12/15", "12:00:00", "2", "local", "Butt.2"});
    table.AppendRecord({"6", "7", "", "13:00:00", "1", "local", "ADAMS"});

    porv::EventFilter f;
    EXPECT_EQ(shownEvents(table, filter, f), (QList<QByteArray>{"1", "2", "3", "4", "5", "6"}));
    f.room = "12";
    EXPECT_EQ(shownEvents(table, filter, f), (QList<QByteArray>{"1", "2", "3"}));
    f.relay = "1";
    EXPECT_EQ(shownEvents(table, filter, f), (QList<QByteArray>{"1", "3"}));
    f.setBy = "RF-ID";
    f.from = QDate(2015, 12, 25);
    EXPECT_EQ(shownEvents(table, filter, f), (QList<QByteArray>{"3"}));
    // A range leaves out the event without a date.
    f = porv::EventFilter();
    f.to = QDate(2015, 12, 25);
    EXPECT_EQ(shownEvents(table, filter, f), (QList<QByteArray>{"1", "2", "3", "4"}));
    f = porv::EventFilter();
    f.kind = porv::EventKind::Room;
    EXPECT_EQ(shownEvents(table, filter, f), (QList<QByteArray>{"1", "2", "3", "6"}));
    f.kind = porv::EventKind::InCall;
    f.relay = "2";
    EXPECT_TRUE(shownEvents(table, filter, f).isEmpty());
    // The filter follows the table's order; the table keeps its own.
    f = porv::EventFilter();
    f.relay = "2";
    ASSERT_TRUE(porv::SortEventTableByTitle(table, "Client"));
    EXPECT_EQ(shownEvents(table, filter, f), (QList<QByteArray>{"5", "2"}));
    EXPECT_EQ(table.RecordCount(), 6);

    // The chart of everything: per day from the first date to the last, the
    // day without events included; the undated event is in no bar.
    ASSERT_TRUE(porv::SortEventTableByTitle(table, "Event"));
    const std::vector<int> all = {0, 1, 2, 3, 4, 5};
    const porv::EventChartData days = porv::TallyEvents(table, all, porv::ChartPeriod::Days, porv::ChartStack::Kind);
    EXPECT_EQ(days.categories, texts({"24/12", "25/12", "26/12", "27/12"}));
    EXPECT_EQ(days.series, texts({"Room", "In call", "Button"}));
    EXPECT_EQ(days.counts, (std::vector<std::vector<int>>{{1, 2, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}));
    EXPECT_EQ(days.leftOut, 1);
    EXPECT_EQ(days.spans[2], std::make_pair(QDate(2015, 12, 26), QDate(2015, 12, 26)));
    const porv::EventChartData hours =
        porv::TallyEvents(table, all, porv::ChartPeriod::HourOfDay, porv::ChartStack::Relay);
    EXPECT_EQ(hours.series, texts({"Relay 1", "Relay 2"}));
    EXPECT_EQ(hours.counts[0][9] + hours.counts[1][9], 2);
    EXPECT_EQ(hours.Total(), 6);
    EXPECT_EQ(hours.leftOut, 0);
    // A long range is drawn in weeks, months or years, never in more bars.
    const porv::EventChartData longRange = porv::TallyEvents(table, all, porv::ChartPeriod::Days,
                                                             porv::ChartStack::Kind, QDate(2000, 1, 1), QDate(2099, 12, 31));
    EXPECT_EQ(longRange.barUnit, QStringLiteral("year"));
    EXPECT_EQ(longRange.categories.size(), 100);
    EXPECT_EQ(longRange.Total(), 5);

    // The events file of the events shown: the whole log's header and layout.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shown.Evt"));
    porv::ClockReadings readings;
    readings.Stime = "14:10:30";
    readings.Sdate = "25/12/15";
    readings.Ctime = QStringLiteral("14:11:02");
    readings.Cdate = QStringLiteral("25/12/2015");
    porv::SaveShownEventsFile(path, table, {4, 1}, readings);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Portavel time when saved was: 14:10:30  25/12/15\r\n"
                                         "Current time when Loaded was: 14:11:02  25/12/2015\r\n"
                                         "Event,RoomNumber,Date,Time,RlyNo,Source,Client\r\n"
                                         "5,Butt.2,27/12/15,12:00:00,2,local,Butt.2\r\n"
                                         "2,12,25/12/15,09:10:00,2,local,LEE\r\n"));
}

namespace {

class EventsFindTest : public ShellTest {
protected:
    template <typename T = QWidget> T *control(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    porv::EventsPage &page() const
    {
        return *window->hostedPage<porv::EventsPage>();
    }
    porv::MemTable &events() const { return page().EventTable(); }

    // The table rows the grid shows, and those of the table a condition holds for.
    std::vector<int> shown() const { return page().Finder()->Filter()->ShownRows(); }
    std::vector<int> rowsWhere(const std::function<bool(int row)> &condition) const
    {
        std::vector<int> rows;
        for (int r = 0; r < events().RecordCount(); ++r) {
            if (condition(r))
                rows.push_back(r);
        }
        return rows;
    }
    int chartTotal() const
    {
        int total = 0;
        for (QAbstractSeries *s : page().Finder()->Chart()->Chart()->series())
            for (QBarSet *set : static_cast<QAbstractBarSeries *>(s)->barSets())
                for (int i = 0; i < set->count(); ++i)
                    total += int(set->at(i));
        return total;
    }
    QString count() const { return control<QLabel>("EventCount")->text(); }
    QByteArray fileBytes(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(EventsFindTest, FiltersTheChartADayAndARoomsHistoryShowTheirEventsAndFilesKeepTheirContent)
{
    qx4::SeedOptions seed;
    seed.records = 20;
    seed.events = 300;
    qx4::seedUnit(unit, seed);
    ASSERT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
    writeRecord(true, porv::test::UnitAddress, QByteArray());
    makeWindow();
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());
    Click(control<QPushButton>("GetData"));
    window->EbuttClick();
    Click(control<QPushButton>("dnLoad"));
    const int all = events().RecordCount();
    ASSERT_EQ(all, 300);
    EXPECT_EQ(count(), QStringLiteral("300 of 300 events"));
    control<QTabWidget>("EventViews")->setCurrentIndex(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(chartTotal(), all);

    // Kind and relay together; the chart follows, stacked by relay too.
    control<QComboBox>("EventKind")->setCurrentIndex(control<QComboBox>("EventKind")->findText(QStringLiteral("Room")));
    control<QComboBox>("EventRelay")->setCurrentIndex(control<QComboBox>("EventRelay")->findText(QStringLiteral("1")));
    const std::vector<int> roomOnRelay1 = rowsWhere([this](int r) {
        const QByteArray room = events().RowText(r, 1);
        return events().RowText(r, 4) == "1" && room != "InCall" && !room.startsWith("Butt.") && room != "error";
    });
    ASSERT_GT(roomOnRelay1.size(), 0u);
    EXPECT_EQ(shown(), roomOnRelay1);
    EXPECT_EQ(count(), QStringLiteral("%1 of 300 events").arg(roomOnRelay1.size()));
    EXPECT_EQ(chartTotal(), int(roomOnRelay1.size()));
    control<QComboBox>("ChartStack")->setCurrentIndex(1);
    EXPECT_EQ(chartTotal(), int(roomOnRelay1.size()));

    // A click on the third day's bar: that day's events of the kind and relay.
    QChart *chart = page().Finder()->Chart()->Chart();
    QChartView *view = page().Finder()->Chart()->View();
    view->grab();
    const QDate day = page().Finder()->Chart()->Data().spans.at(2).first;
    const QPointF onBar = chart->mapToScene(chart->mapToPosition(QPointF(2, 0.5), chart->series().value(0)));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->mapFromScene(onBar));
    QCoreApplication::processEvents();
    EXPECT_EQ(control<QDateEdit>("EventFrom")->date(), day);
    EXPECT_EQ(control<QDateEdit>("EventTo")->date(), day);
    const std::vector<int> ofTheDay = rowsWhere([&](int r) {
        return std::count(roomOnRelay1.begin(), roomOnRelay1.end(), r) && porv::EventDate(events().RowText(r, 2)) == day;
    });
    ASSERT_GT(ofTheDay.size(), 0u);
    EXPECT_EQ(shown(), ofTheDay);
    EXPECT_EQ(chartTotal(), int(ofTheDay.size()));
    // The current event is among those shown.
    EXPECT_NE(std::count(ofTheDay.begin(), ofTheDay.end(), events().Position() - 1), 0);

    // Save As keeps the whole log; Save shown events holds what is shown.
    const QString whole = dir.filePath(QStringLiteral("whole.Evt"));
    const QString part = dir.filePath(QStringLiteral("shown.Evt"));
    window->seam().queueFileName(whole);
    control<QAction>("SaveAs")->trigger();
    window->seam().queueFileName(part);
    Click(control<QPushButton>("SaveShownEvents"));
    EXPECT_EQ(fileBytes(whole).count("\r\n"), 2 + 1 + all);
    const QList<QByteArray> lines = fileBytes(part).split('\n');
    ASSERT_EQ(lines.size(), 2 + 1 + int(ofTheDay.size()) + 1);
    EXPECT_EQ(lines.mid(0, 3), fileBytes(whole).split('\n').mid(0, 3));
    EXPECT_TRUE(lines[3].startsWith(events().RowText(ofTheDay[0], 0) + ','));

    // History beside DBGrid1: the current client's room, and nothing else.
    window->PHButClick();
    auto &directory = *window->hostedPage<porv::DirectoryPage>();
    QByteArray room;
    for (int r = 1; r <= directory.DirectoryTable().RecordCount() && room.isEmpty(); ++r) {
        directory.DirectoryTable().SetPosition(r);
        const QByteArray candidate = directory.DirectoryTable().FieldText("RoomNumber");
        if (!rowsWhere([&](int e) { return events().RowText(e, 1) == candidate; }).empty())
            room = candidate;
    }
    ASSERT_FALSE(room.isEmpty());
    Click(control<QPushButton>("FindClientHistory"));
    EXPECT_EQ(control<QTabWidget>("Page")->currentIndex(), window->pageIndex(QStringLiteral("Events")));
    EXPECT_EQ(control<QLineEdit>("EventRoom")->text(), QString::fromLatin1(room));
    EXPECT_EQ(shown(), rowsWhere([&](int e) { return events().RowText(e, 1) == room; }));
    EXPECT_EQ(chartTotal(), int(shown().size()));
}

TEST_F(EventsFindTest, TheChartNamesItsAxesAndYearsLeavesHeadroomAndLeadsBackFromADay)
{
    qx4::SeedOptions seed;
    seed.records = 0;
    seed.events = 0;
    qx4::seedUnit(unit, seed);
    qx4::DirectoryRecord client;
    client.block = 128;
    client.name = "SIXDIGIT ROOM";
    client.room = "123456";
    client.phone = "0123????????????";
    ASSERT_TRUE(unit.setDirectoryRecord(client));
    // Ten days across the new year, three events a day, six on the fourth.
    for (int day = 0; day < 10; ++day) {
        for (int n = 0; n < (day == 3 ? 6 : 3); ++n) {
            qx4::UnitEvent e;
            e.room = n == 0 ? QByteArray("123456") : QByteArray::number(200 + n);
            e.when = QDateTime(QDate(2026, 12, 27).addDays(day), QTime(8 + n, 15));
            e.client = n == 0 ? client.name : QByteArray("OTHER");
            unit.addEvent(e);
        }
    }
    logOnOverUdp();
    Click(control<QPushButton>("GetData"));
    ASSERT_EQ(window->hostedPage<porv::DirectoryPage>()->DirectoryTable().RecordCount(), 1);

    // History before any download leaves no filter behind to hide the download.
    Click(control<QPushButton>("FindClientHistory"));
    ASSERT_EQ(control<QTabWidget>("Page")->currentIndex(), window->pageIndex(QStringLiteral("Events")));
    EXPECT_TRUE(control<QLineEdit>("EventRoom")->text().isEmpty());
    Click(control<QPushButton>("dnLoad"));
    ASSERT_EQ(events().RecordCount(), 33);
    EXPECT_EQ(count(), QStringLiteral("33 of 33 events"));

    // The room box shows a six-digit room whole.
    QLineEdit *room = control<QLineEdit>("EventRoom");
    room->setText(QStringLiteral("123456"));
    QStyleOptionFrame frame;
    frame.initFrom(room);
    frame.rect = room->rect();
    frame.lineWidth = room->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, room);
    const int inside = room->style()->subElementRect(QStyle::SE_LineEditContents, &frame, room).width();
    EXPECT_LE(room->fontMetrics().horizontalAdvance(room->text()) + 4, inside); // the edit's own 2-pixel margins
    EXPECT_EQ(count(), QStringLiteral("10 of 33 events"));
    room->clear();

    // Axes with titles, the days with their years, room above the tallest bar.
    control<QTabWidget>("EventViews")->setCurrentIndex(1);
    QCoreApplication::processEvents();
    porv::EventChart *chart = page().Finder()->Chart();
    const QList<QAbstractAxis *> x = chart->Chart()->axes(Qt::Horizontal);
    const QList<QAbstractAxis *> y = chart->Chart()->axes(Qt::Vertical);
    ASSERT_EQ(x.size(), 1);
    ASSERT_EQ(y.size(), 1);
    EXPECT_EQ(x[0]->titleText(), QStringLiteral("Day"));
    EXPECT_EQ(y[0]->titleText(), QStringLiteral("Events"));
    ASSERT_EQ(chart->Data().categories.size(), 10);
    EXPECT_EQ(chart->Data().categories.first(), QStringLiteral("27/12/26"));
    EXPECT_EQ(chart->Data().categories.last(), QStringLiteral("05/01/27"));
    EXPECT_GE(static_cast<QValueAxis *>(y[0])->max(), 6 * 1.1);

    // A click on a day narrows the dates to it; Back gives the dates before.
    auto *back = control<QPushButton>("ChartBack");
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(back->isVisible());
    QChartView *view = chart->View();
    view->grab();
    const QPointF onBar = chart->Chart()->mapToScene(
        chart->Chart()->mapToPosition(QPointF(3, 0.5), chart->Chart()->series().value(0)));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->mapFromScene(onBar));
    ASSERT_TRUE(WaitFor([this] { return count() == QStringLiteral("6 of 33 events"); }));
    EXPECT_EQ(control<QDateEdit>("EventFrom")->date(), QDate(2026, 12, 30));
    ASSERT_TRUE(back->isVisible());
    Click(back);
    EXPECT_EQ(count(), QStringLiteral("33 of 33 events"));
    EXPECT_EQ(control<QDateEdit>("EventFrom")->date(), QDate(2026, 12, 27));
    EXPECT_EQ(control<QDateEdit>("EventTo")->date(), QDate(2027, 1, 5));
    EXPECT_EQ(chart->Data().categories.size(), 10);
    EXPECT_FALSE(back->isVisible());
}
