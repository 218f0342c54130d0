// Pictures of the Events page with a log of a few thousand events (not a
// test): events_page_shots [DIR] [EVENTS]
// details.png: the grid and the event's details; chart_days.png and
// chart_hours.png: the chart by kind per day and by relay per hour;
// history.png: one room's events (History from the PhoneDataBase page);
// day.png: the table narrowed to one day by a click on the chart; back.png:
// back to the range before (the log ends in the next year).
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "application.h"
#include "delay.h"
#include "dialogseam.h"
#include "eventchart.h"
#include "eventfinder.h"
#include "eventspage.h"
#include "link.h"
#include "mainwindow.h"
#include "memtable.h"
#include "portlist.h"
#include "unit_seed.h"
#include "unit_transport.h"

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    porv::Application app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    const int events = argc > 2 ? QByteArray(argv[2]).toInt() : 3000;
    QDir().mkpath(dir);
    porv::DialogSeam::SetScriptedByDefault(true);
    porv::SetPortListSource([] { return QStringList{QStringLiteral("ttyS0")}; });

    qx4::SimulatedUnit unit;
    qx4::SeedOptions seed;
    seed.records = 1000;
    seed.events = events;
    qx4::seedUnit(unit, seed);
    // A few events in the next year: the chart's range spans two years.
    for (int i = 0; i < 3; ++i) {
        qx4::UnitEvent e;
        e.room = "204";
        e.when = QDateTime(QDate(2027, 1, 3 + i), QTime(9, 30));
        e.client = "NEW YEAR";
        unit.addEvent(e);
    }

    porv::TporvForm window;
    window.show();
    porv::test::UnitTransport transport(unit);
    window.link().setSerialTransport(&transport);
    porv::SetTickScale(0.05);
    window.link().SendCommand("a1234\r");
    window.link().WaitReply(20);
    auto *page = window.hostedPage<porv::EventsPage>();
    if (!page)
        return 1;
    window.EbuttClick();
    page->dnLoadClick();
    porv::SetTickScale(1.0);
    page->EventTable().SetPosition(12);
    auto save = [&](const char *name) {
        QCoreApplication::processEvents();
        window.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
    };
    save("details.png");

    auto *views = page->findChild<QTabWidget *>(QStringLiteral("EventViews"));
    views->setCurrentIndex(1);
    save("chart_days.png");
    page->findChild<QComboBox *>(QStringLiteral("ChartPeriod"))->setCurrentIndex(1);
    page->findChild<QComboBox *>(QStringLiteral("ChartStack"))->setCurrentIndex(1);
    save("chart_hours.png");
    page->findChild<QComboBox *>(QStringLiteral("ChartPeriod"))->setCurrentIndex(0);
    page->findChild<QComboBox *>(QStringLiteral("ChartStack"))->setCurrentIndex(0);

    // A room's history, as History on the PhoneDataBase page asks for it.
    const QByteArray room = page->EventTable().RowText(40, 1);
    page->Finder()->ShowHistory(room, false);
    save("history.png");

    // A day of the chart, clicked.
    page->Finder()->ShowAll();
    QCoreApplication::processEvents();
    QChart *chart = page->Finder()->Chart()->Chart();
    QChartView *view = page->Finder()->Chart()->View();
    const QPointF onBar = chart->mapToPosition(QPointF(3, 1), chart->series().value(0));
    const QPoint at = view->mapFromScene(chart->mapToScene(onBar));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCoreApplication::processEvents();
    save("day.png");
    views->setCurrentIndex(0);
    save("day_details.png");
    // Back from the day to the range before the click.
    views->setCurrentIndex(1);
    page->Finder()->BackToEarlierDates();
    save("back.png");
    return 0;
}
