#include "application.h"

#include <QDebug>
#include <exception>

#include "failures.h"

namespace porv {

namespace {
std::function<void(const QString &)> &sink()
{
    static std::function<void(const QString &)> s;
    return s;
}
} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

void Application::SetFailureSink(std::function<void(const QString &)> s) { sink() = std::move(s); }

void Application::ReportFailure(const QString &message)
{
    if (sink())
        sink()(message);
    else
        qWarning().noquote() << message;
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Failure &failure) {
        ReportFailure(failure.message());
    } catch (const std::exception &e) {
        ReportFailure(QString::fromLocal8Bit(e.what()));
    }
    return true;
}

} // namespace porv
