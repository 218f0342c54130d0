#include "delay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace porv {

namespace {
double g_tickScale = 1.0;
}

void SetTickScale(double scale) { g_tickScale = scale > 0 ? scale : 1.0; }
double TickScale() { return g_tickScale; }

void Delay(int ticks)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 deadline = qint64(double(std::max(ticks, 0)) * double(TickNanoseconds) * g_tickScale);

    // One pass of event processing even for a zero wait.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qint64 left = deadline - clock.nsecsElapsed();
    if (left <= 0)
        return;

    // Sleep in the event loop until the deadline: events are served as they
    // come, the CPU stays idle otherwise.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    while (left > 0) {
        timer.start(int(std::max<qint64>(1, (left + 999999) / 1000000)));
        loop.exec();
        left = deadline - clock.nsecsElapsed();
    }
}

} // namespace porv
