#include "unitconnection.h"

#include "clishell.h"
#include "failures.h"
#include "logon.h"
#include "optionreader.h"
#include "serialtransport.h"
#include "terminal.h"
#include "udptransport.h"

namespace porv::cli {

namespace {

// What the log-on's outcome is called on the terminal.
QString LogOnFailure(const LogOnResult &result, const Session &session)
{
    QString text = TerminalLines(result.message()).replace(QLatin1Char('\n'), QStringLiteral(": "));
    switch (result.outcome) {
    case LogOnOutcome::PortNotOpened:
        if (!session.NetworkSelected)
            text += QStringLiteral(" (%1: %2)").arg(session.SerialPortName(), session.serial().errorString());
        break;
    case LogOnOutcome::ModemSilent:
        text = QStringLiteral("the modem did not answer its reset (atz, ate0)");
        break;
    case LogOnOutcome::NoConnection:
        text += QStringLiteral(" (the modem's call did not connect)");
        break;
    case LogOnOutcome::NoResponse:
        text += QStringLiteral(" (no answer to the prompt for the model line)");
        break;
    case LogOnOutcome::PinRefused:
        text += QStringLiteral(" (the unit did not accept the PIN)");
        break;
    case LogOnOutcome::Ended:
        text = QStringLiteral("interrupted");
        break;
    case LogOnOutcome::Connected:
        break;
    }
    return QStringLiteral("log-on: ") + text;
}

} // namespace

UnitConnection::UnitConnection(const CliRequest &request, CliShell &shell, Interruption *interruption)
    : m_request(request), m_shell(shell), m_interruption(interruption)
{
    // The network link's datagrams are passed on by a poll, as the window's
    // Timer4 does; the serial port hands its text on by itself.
    m_poll.setInterval(50);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (m_session.NetworkOpen())
            m_session.PollNetwork();
    });
    m_poll.start();
    m_keepAlive.setInterval(1000);
    connect(&m_keepAlive, &QTimer::timeout, this, &UnitConnection::keepAliveSecond);
    connect(&m_session, &Session::userMessage, this, [this](const QString &text) { m_shell.ShowMessage(text); });
    m_shell.memoryLimit = [this] { return m_session.MemoryLimit; };
    m_shell.keepAlive = [this](bool run) {
        if (run && m_link.LoggedOn())
            m_keepAlive.start();
        else
            m_keepAlive.stop();
    };
    if (m_interruption) {
        connect(m_interruption, &Interruption::interrupted, this, [this] {
            // As a Log Off: the log-on stops at its next check, a transfer at
            // its next look at the link.
            m_session.LogOnAbort = true;
            m_lost = true;
            Close();
        });
    }
}

UnitConnection::~UnitConnection()
{
    m_shell.memoryLimit = nullptr;
    m_shell.keepAlive = nullptr;
    Close();
}

void UnitConnection::Close()
{
    m_keepAlive.stop();
    try {
        m_link.CloseLink();
    } catch (const Failure &failure) {
        // The port failed on the closing command; it is closed all the same.
        m_shell.ShowMessage(failure.message());
    }
}

void UnitConnection::LogOn(const QByteArray &pin)
{
    LogOnDetails details;
    details.pin = pin;
    switch (m_request.connection) {
    case Connection::Network:
        // A name that does not resolve would only show as the unit's silence
        // seconds later: said at once.
        if (ResolveUnitAddress(m_request.host).isNull())
            throw Stop{ExitUnit, QStringLiteral("cannot resolve %1").arg(EscapedArgument(m_request.host))};
        m_session.NetworkSelected = true;
        details.address = m_request.host.toLatin1();
        break;
    case Connection::Modem:
        details.remote = true;
        details.number = m_request.number;
        [[fallthrough]];
    case Connection::Serial:
    case Connection::None:
        m_session.NetworkSelected = false;
        m_session.SetSerialPortName(m_request.device);
        break;
    }
    m_session.LogOnAbort = false;
    LogOnProgress progress;
    progress.status = [this](const QString &text) { m_shell.ShowStatus(0, text); };
    const LogOnResult result = RunLogOn(m_session, details, progress);
    m_modelLine = result.modelLine;
    if (!result.connected()) {
        Close();
        const bool interrupted = m_interruption && m_interruption->happened();
        throw Stop{interrupted ? ExitInterrupted : ExitUnit, LogOnFailure(result, m_session)};
    }
    m_shell.ShowStatus(0, QStringLiteral("Connected"));
    m_keepAlive.start();
}

void UnitConnection::keepAliveSecond()
{
    if (!m_link.LoggedOn() || m_link.CountMode())
        return;
    if (!m_link.CountKeepAliveSecond(15))
        return;
    if (m_session.KeepAlive() || !m_link.LoggedOn())
        return;
    m_lost = true;
    m_shell.ShowMessage(QStringLiteral("the unit did not answer the keep-alive prompt: the link was closed"));
    Close();
}

} // namespace porv::cli
