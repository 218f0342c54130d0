#pragma once
// The application object with the general failure handler: a failure that a
// handler does not catch itself (a conversion, file or serial failure, or any
// other exception) ends that handler at the point of failure and is shown in a
// message box with its message; the window stays usable. It sits at the event
// dispatch, so inside a nested wait (Delay) it ends only the handler that
// threw, and the waiting one goes on.
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
