#include "clilogon.h"

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

void LogOnUnit(UnitConnection &connection, CliShell &shell, const CliRequest &request, const QByteArray &pin,
               const Interruption *interruption)
{
    Session &session = connection.session();
    LogOnDetails details;
    details.pin = pin;
    switch (request.connection) {
    case Connection::Network:
        // A name that does not resolve would only show as the unit's silence
        // seconds later: said at once.
        if (ResolveUnitAddress(request.host).isNull())
            throw Stop{ExitUnit, QStringLiteral("cannot resolve %1").arg(EscapedArgument(request.host))};
        session.NetworkSelected = true;
        details.address = request.host.toLatin1();
        break;
    case Connection::Modem:
        details.remote = true;
        details.number = request.number;
        [[fallthrough]];
    case Connection::Serial:
    case Connection::None:
        session.NetworkSelected = false;
        session.SetSerialPortName(request.device);
        break;
    }
    session.LogOnAbort = false;
    LogOnProgress progress;
    progress.status = [&shell](const QString &text) { shell.ShowStatus(0, text); };
    const LogOnResult result = connection.LogOn(details, progress);
    if (!result.connected()) {
        const bool interrupted = interruption && interruption->happened();
        const QString failure = LogOnFailure(result, session);
        connection.Close(interrupted ? LogOffReason::Interrupted : LogOffReason::User);
        throw Stop{interrupted ? ExitInterrupted : ExitUnit, failure};
    }
}

void FollowOnTerminal(UnitConnection &connection, CliShell &shell)
{
    QObject::connect(&connection, &UnitConnection::userMessage, &connection,
                     [&shell](const QString &text) { shell.ShowMessage(text); });
    QObject::connect(&connection, &UnitConnection::loggedOn, &connection,
                     [&shell] { shell.ShowStatus(0, QStringLiteral("Connected")); });
    QObject::connect(&connection, &UnitConnection::progress, &connection,
                     [&shell](int done, int total) { shell.ShowTransferProgress(done, total); });
    QObject::connect(&connection, &UnitConnection::operationFinished, &connection, [&connection, &shell] {
        if (!(connection.Traits() & TransferShown))
            shell.endCountLine();
    });
    QObject::connect(&connection, &UnitConnection::loggedOff, &connection,
                     [&shell](LogOffReason reason, const QString &text) {
                         if (reason == LogOffReason::KeepAliveFailed)
                             shell.ShowMessage(QStringLiteral(
                                 "the unit did not answer the keep-alive prompt: the link was closed"));
                         else if (reason == LogOffReason::LinkLost)
                             shell.ShowMessage(text);
                     });
}

} // namespace porv::cli
