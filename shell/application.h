#pragma once
// The application object with the last failure handler. A failure of the
// unit's link never comes here: the link ends, and the connection reports it
// (UnitConnection::loggedOff, operationFailed). What a handler may still leave
// (a field that is no number, a file that cannot be written) ends that
// handler and is shown in a message box with its message; the window stays
// usable. It sits at the event dispatch, so inside a nested wait (Delay) it
// ends only the handler that threw, and the waiting one goes on.
#include <QApplication>
#include <functional>

namespace porv {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);

    // Where failure messages go (the window's dialog seam). Without one they
    // are written to the log.
    static void SetFailureSink(std::function<void(const QString &)> sink);
    // Shows a failure message through the sink.
    static void ReportFailure(const QString &message);

    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace porv
