#include "unitconnection.h"

#include <cmath>

#include "delay.h"

namespace porv {

namespace {

// Seconds without a command before the keep-alive prompts.
constexpr int kKeepAliveSeconds = 15;

// A timer on the waits' clock: tests that shorten the tick shorten it too.
void startScaled(QTimer &timer, int baseInterval)
{
    timer.setInterval(std::max(1, int(std::lround(baseInterval * TickScale()))));
    timer.start();
}

} // namespace

QString ConnectionDescription(const Session &session)
{
    if (session.NetworkSelected)
        return QStringLiteral("udp ") + QString::fromLatin1(session.LogOnAddress);
    return QStringLiteral("serial ") + session.SerialPortName();
}

UnitConnection::UnitConnection(QObject *parent) : QObject(parent)
{
    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_timer4.setObjectName(QStringLiteral("Timer4"));
    m_timer2.setParent(this);
    m_timer4.setParent(this);
    connect(&m_timer2, &QTimer::timeout, this, &UnitConnection::Timer2Timer);
    connect(&m_timer4, &QTimer::timeout, this, &UnitConnection::Timer4Timer);
    connect(&m_link, &Link::failed, this, &UnitConnection::linkFailed);
    connect(&m_session, &Session::userMessage, this, &UnitConnection::userMessage);
    startScaled(m_timer4, 50);
}

UnitConnection::~UnitConnection()
{
    m_timer2.stop();
    m_timer4.stop();
    // Nothing is told any more: the front end may be going away.
    blockSignals(true);
    m_link.CloseLink();
}

UnitConnection *UnitConnection::Of(const Link &link) { return qobject_cast<UnitConnection *>(link.parent()); }

int UnitConnection::MemoryLimitOf(const Link &link)
{
    const UnitConnection *connection = Of(link);
    return connection ? connection->MemoryLimit() : Session::FirstMemoryLimit;
}

void UnitConnection::ReportProgress(const Link &link, int done, int total)
{
    UnitConnection *connection = Of(link);
    if (connection && connection->OperationRunning())
        emit connection->progress(done, total, connection->m_operations.last().name);
}

// --- log-on and log-off ------------------------------------------------------------

LogOnResult UnitConnection::LogOn(const LogOnDetails &details, const LogOnProgress &progress)
{
    StopKeepAlive();
    m_modelLine.clear();
    m_failed = false;
    LogOnResult result = RunLogOn(m_session, details, progress);
    m_modelLine = result.modelLine;
    if (m_failed)
        result.outcome = LogOnOutcome::Ended;
    if (result.connected()) {
        StartKeepAlive();
        emit loggedOn();
    }
    return result;
}

void UnitConnection::LogOff(LogOffReason reason)
{
    m_session.LogOnAbort = true;
    StopKeepAlive();
    emit loggingOff();
    m_link.ClearReceiveView();
    m_link.ResetReply();
    Delay(100);
    Close(reason);
}

void UnitConnection::Close(LogOffReason reason)
{
    m_session.LogOnAbort = true;
    StopKeepAlive();
    m_link.CloseLink();
    emit loggedOff(reason, QString());
}

void UnitConnection::linkFailed(const QString &text)
{
    // The link has closed itself; what waits for the unit ends at its next
    // look at the link, as after a Log Off.
    m_failed = true;
    m_session.LogOnAbort = true;
    StopKeepAlive();
    for (const Running &r : std::as_const(m_operations))
        emit operationFailed(OperationFailure::LinkLost, r.name + QStringLiteral(": ") + text);
    emit loggedOff(LogOffReason::LinkLost, text);
}

UnitIdentity UnitConnection::Unit() const { return {m_modelLine, m_session.MemoryLimit, ConnectionDescription(m_session)}; }

// --- keep-alive and poll -------------------------------------------------------------

void UnitConnection::StartKeepAlive()
{
    if (LoggedOn())
        startScaled(m_timer2, 1000);
}

void UnitConnection::StopKeepAlive() { m_timer2.stop(); }

void UnitConnection::Timer2Timer()
{
    if (!m_link.LoggedOn() || m_link.CountMode())
        return;
    if (!m_link.CountKeepAliveSecond(kKeepAliveSeconds))
        return;
    // The user may have logged off (or run File New) inside the prompt's
    // wait: then there is nothing left to log off.
    if (!m_session.KeepAlive() && m_link.LoggedOn())
        LogOff(LogOffReason::KeepAliveFailed);
}

void UnitConnection::Timer4Timer()
{
    if (m_session.NetworkOpen())
        m_session.PollNetwork();
}

// --- operations ----------------------------------------------------------------------

QString UnitConnection::OperationName() const
{
    return m_operations.isEmpty() ? QString() : m_operations.first().name;
}

OperationTraits UnitConnection::Traits() const
{
    OperationTraits traits = 0;
    for (const Running &r : m_operations)
        traits |= r.traits;
    return traits;
}

void UnitConnection::begin(const QString &name, OperationTraits traits)
{
    m_operations.append({name, traits});
    if (traits & HoldsKeepAlive)
        StopKeepAlive();
    emit operationStarted(name);
}

void UnitConnection::end(const QString &name, OperationTraits traits, bool failed)
{
    for (int i = int(m_operations.size()) - 1; i >= 0; --i) {
        if (m_operations.at(i).name == name && m_operations.at(i).traits == traits) {
            m_operations.removeAt(i);
            break;
        }
    }
    if (m_operations.isEmpty())
        m_cancel = false;
    // A Log Off inside the operation left the keep-alive stopped: it stays so.
    if ((traits & HoldsKeepAlive) && !(Traits() & HoldsKeepAlive))
        StartKeepAlive();
    if (!failed)
        emit operationFinished(name);
}

UnitOperation::UnitOperation(Link &link, const QString &name, OperationTraits traits)
    : m_connection(UnitConnection::Of(link)), m_name(name), m_traits(traits)
{
    if (m_connection)
        m_connection->begin(m_name, m_traits);
}

UnitOperation::UnitOperation(UnitConnection &connection, const QString &name, OperationTraits traits)
    : m_connection(&connection), m_name(name), m_traits(traits)
{
    m_connection->begin(m_name, m_traits);
}

UnitOperation::~UnitOperation()
{
    if (m_connection)
        m_connection->end(m_name, m_traits, m_failed);
}

void UnitOperation::Progress(int done, int total, const QString &step)
{
    if (m_connection)
        emit m_connection->progress(done, total, step.isEmpty() ? m_name : step);
}

void UnitOperation::Fail(OperationFailure reason, const QString &text)
{
    m_failed = true;
    if (m_connection)
        emit m_connection->operationFailed(reason, text);
}

} // namespace porv
