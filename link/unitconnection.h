#pragma once
// The connection to one unit, as the window and porv-cli both hold it: the
// link and its transports (the session's choice of the serial port, a modem
// or the network link), the log-on, the keep-alive (Timer2) and the network
// poll (Timer4), the unit logged on to, the operations that hold the unit
// while they run, and the log-off. No widgets: each front end shows what the
// signals say in its own way (the window's lamp, transfer window and cursor;
// porv-cli's lines on the terminal).
//
// The cores are given the link; the connection the link belongs to is
// UnitConnection::Of(link). An operation is a UnitOperation made in the
// scope it spans; on a link without a connection (a scripted test's) it
// shows nothing.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include "link.h"
#include "logon.h"
#include "session.h"

namespace porv {

// The connected unit as the log-on found it.
struct UnitIdentity {
    QByteArray modelLine; // LogOnResult::modelLine
    int memoryLimit = 0;  // the model's top directory address (0 for a model line of no model)
    QString connection;   // ConnectionDescription
};

// "udp 127.0.0.2" for the network link, "serial /dev/ttyUSB0" for the serial
// port (a modem's too).
QString ConnectionDescription(const Session &session);

// Why the link to the unit ended.
enum class LogOffReason {
    User,            // Log Off, File New, the end of a command or program
    LinkLost,        // the port failed under the link (a cable pulled, a device gone)
    KeepAliveFailed, // the unit did not answer the keep-alive prompt
    Interrupted,     // porv-cli was interrupted (Ctrl+C, a signal)
};

// Why an operation did not end as it should.
enum class OperationFailure {
    LinkLost,  // the link ended while it ran (any LogOffReason)
    Cancelled, // its cancel was asked for and it stopped between two steps
    Failed,    // it ended on a failure of its own, named in the text
};

// What an operation is to the person using the program, which each front end
// shows in its own way. Operations nest (a whole-unit read runs the page
// transfers); what shows is what any running operation asks for.
enum OperationTrait : unsigned {
    TransferShown = 1,  // a transfer whose progress is shown (the transfer window)
    PersonWaits = 2,    // nothing else is done until it ends (the window's hourglass)
    BulkReply = 4,      // the unit's reply comes in bulk (the window's lamp blinks)
    HoldsKeepAlive = 8, // no keep-alive for its span; it runs again after it, while logged on
};
using OperationTraits = unsigned;
// The directory and tag transfers, and a whole-unit operation.
constexpr OperationTraits kHeldTransfer = TransferShown | PersonWaits | BulkReply | HoldsKeepAlive;

class UnitConnection : public QObject {
    Q_OBJECT
public:
    explicit UnitConnection(QObject *parent = nullptr);
    // Closes the link ("x" on each open transport).
    ~UnitConnection() override;

    // The connection a link belongs to, or nullptr for a link of its own.
    static UnitConnection *Of(const Link &link);
    // The connected model's MemoryLimit on the link's connection
    // (Session::FirstMemoryLimit on a link without one).
    static int MemoryLimitOf(const Link &link);
    // How far the innermost running operation on the link's connection has
    // come: done of total records or blocks (never the memory's capacity); a
    // total of 0 when it is not known, done alone then counting what came.
    static void ReportProgress(const Link &link, int done, int total);

    Link &link() { return m_link; }
    const Link &link() const { return m_link; }
    Session &session() { return m_session; }
    const Session &session() const { return m_session; }

    // --- log-on and log-off -----------------------------------------------
    // Logs on over the session's chosen transport (RunLogOn): the keep-alive
    // stopped meanwhile, and on success started, the unit known and loggedOn
    // emitted. Session::LogOnAbort is the caller's to clear before. A failed
    // log-on leaves the link for the caller to close (after its message); a
    // port that failed under it ends it as Ended, its failure already told
    // (loggedOff with LinkLost).
    LogOnResult LogOn(const LogOnDetails &details, const LogOnProgress &progress = {});
    // The user's Log Off: the log-on or operation in progress stops at its
    // next check, loggingOff, the receive view and reply cleared, a pause of
    // 100 ticks, then Close.
    void LogOff(LogOffReason reason = LogOffReason::User);
    // Closes the link at once: no keep-alive, "x" on each open transport,
    // LoggedOn cleared, loggedOff(reason). Also when nothing was logged on,
    // so that a front end shows off line.
    void Close(LogOffReason reason = LogOffReason::User);
    bool LoggedOn() const { return m_link.LoggedOn(); }
    // The unit of the last log-on (its model line empty before one).
    UnitIdentity Unit() const;
    int MemoryLimit() const { return m_session.MemoryLimit; }

    // --- keep-alive and poll ----------------------------------------------
    // Timer2: one CR prompt after 15 seconds without a command, while
    // logged on and no bulk reply comes. Started by the log-on; an operation
    // holding it, or a tag capture, stops it meanwhile.
    void StartKeepAlive();
    void StopKeepAlive();
    QTimer &KeepAliveTimer() { return m_timer2; }
    // Timer4: every 50 ticks the network link's datagrams are passed on.
    QTimer &PollTimer() { return m_timer4; }

    // --- operations -------------------------------------------------------
    // An operation holds the unit (UnitOperation).
    bool OperationRunning() const { return !m_operations.isEmpty(); }
    // The outermost running operation's name, or empty.
    QString OperationName() const;
    // What the running operations ask for, together.
    OperationTraits Traits() const;
    // Asks the running operations to stop at their next step (the transfer
    // window's Cancel); cleared when the outermost one ends.
    void RequestCancel() { m_cancel = OperationRunning(); }
    bool CancelRequested() const { return m_cancel; }

public slots:
    // The keep-alive's second and the network poll.
    void Timer2Timer();
    void Timer4Timer();

signals:
    void loggedOn();
    // A Log Off has begun (before its pause): the window's lamp shows it.
    void loggingOff();
    // The link is closed; why, and for a lost link the port's failure.
    void loggedOff(porv::LogOffReason reason, const QString &text);
    // An operation began or ended (nested ones too; Traits() already holds
    // what the running ones ask for).
    void operationStarted(const QString &name);
    void progress(int done, int total, const QString &step);
    void operationFinished(const QString &name);
    void operationFailed(porv::OperationFailure reason, const QString &text);
    // A message for the user, shown at once ("Failed to connect\r\nWiFi port").
    void userMessage(const QString &text);

private:
    friend class UnitOperation;
    struct Running {
        QString name;
        OperationTraits traits = 0;
    };
    void begin(const QString &name, OperationTraits traits);
    void end(const QString &name, OperationTraits traits, bool failed);
    void linkFailed(const QString &text);

    Link m_link{this};
    Session m_session{m_link, this};
    QTimer m_timer2;
    QTimer m_timer4;
    QList<Running> m_operations;
    QByteArray m_modelLine;
    bool m_cancel = false;
    bool m_failed = false; // the link failed since the log-on began
};

// One operation on the unit, for the scope it lives in: begun at its
// construction, ended at its destruction however the scope ends; Fail before
// the end reports it failed instead of finished. Without a connection behind
// the link it does nothing.
class UnitOperation {
public:
    UnitOperation(Link &link, const QString &name, OperationTraits traits);
    UnitOperation(UnitConnection &connection, const QString &name, OperationTraits traits);
    ~UnitOperation();
    UnitOperation(const UnitOperation &) = delete;
    UnitOperation &operator=(const UnitOperation &) = delete;

    // How far it has come: done of total (0 when not known), the step named.
    void Progress(int done, int total, const QString &step = QString());
    void Fail(OperationFailure reason, const QString &text);
    // Its cancel was asked for: it stops at the next step.
    bool CancelRequested() const { return m_connection && m_connection->CancelRequested(); }
    UnitConnection *connection() const { return m_connection; }

private:
    UnitConnection *m_connection;
    QString m_name;
    OperationTraits m_traits;
    bool m_failed = false;
};

} // namespace porv
