#include "logon.h"

#include "delay.h"
#include "link.h"
#include "session.h"
#include "udptransport.h"

namespace porv {

QString LogOnResult::message() const
{
    switch (outcome) {
    case LogOnOutcome::PortNotOpened:
        if (!network)
            return QStringLiteral("Serial Communication Error");
        return portProblem.isEmpty() ? QStringLiteral("The WiFi port could not be opened") : portProblem;
    case LogOnOutcome::NoConnection:
        return QStringLiteral("Failed to connect");
    case LogOnOutcome::NoResponse:
        return QStringLiteral("No Reponse from Portavel");
    case LogOnOutcome::PinRefused:
        return QStringLiteral("Failed to Connect\r\nCheck PIN");
    case LogOnOutcome::Connected:
    case LogOnOutcome::ModemSilent:
    case LogOnOutcome::Ended:
        break;
    }
    return QString();
}

namespace {

// Through a modem: reset it, dial, and wait for CONNECT. Connected when the
// call is up.
LogOnOutcome Dial(Session &s, const QByteArray &number, const std::function<void(const QString &)> &status)
{
    Link &link = s.link();
    if (!s.ModemInit())
        return LogOnOutcome::ModemSilent;
    Delay(100);
    // Cleared before "atd" goes out, so that a quick CONNECT is kept.
    link.ClearModemConnected();
    link.SendCommand("atd" + number + "\r");
    Delay(100);
    link.ClearReceiveView();
    link.ResetLineCount();
    status(QStringLiteral("waiting for Connection"));
    Delay(500);
    int waits = 0;
    do {
        Delay(600);
        ++waits;
    } while (!s.LogOnAbort && !link.ModemConnected() && waits < 101);
    Delay(500);
    if (s.LogOnAbort || waits > 100)
        return LogOnOutcome::NoConnection;
    return LogOnOutcome::Connected;
}

} // namespace

LogOnResult RunLogOn(Session &s, const LogOnDetails &details, const LogOnProgress &progress)
{
    Link &link = s.link();
    const auto status = [&progress](const QString &text) {
        if (progress.status)
            progress.status(text);
    };
    LogOnResult result;
    s.LogOnAddress = details.address;
    // The Remote box is hidden on the network link: a flag remembered from a
    // modem log-on would send the modem's commands to the unit.
    link.SetRemoteMode(!s.NetworkSelected && details.remote);
    s.SetBaudForRemote(link.RemoteMode());
    // No keep-alive runs meanwhile (the window stopped it), and whatever link
    // was open is closed.
    status(QStringLiteral("Loging on Please Wait"));
    link.CloseLink();
    if (!s.OpenLink()) {
        result.outcome = LogOnOutcome::PortNotOpened;
        result.network = s.NetworkSelected;
        if (s.NetworkSelected)
            result.portProblem = s.network().openProblem();
        return result;
    }
    if (link.RemoteMode()) {
        result.outcome = Dial(s, details.number, status);
        if (result.outcome != LogOnOutcome::Connected)
            return result;
    }
    // A prompt makes the unit send its model line; up to six tries.
    status(QStringLiteral("waiting for Model Number"));
    link.ClearDataSeen();
    Delay(100);
    for (int attempt = 0; attempt < 6 && !s.LogOnAbort && !link.DataSeen(); ++attempt) {
        link.ClearReceiveView();
        Delay(10);
        link.SendCommand("\r");
        Delay(500);
    }
    Delay(200);
    if (!link.DataSeen()) {
        result.outcome = s.LogOnAbort ? LogOnOutcome::Ended : LogOnOutcome::NoResponse;
        return result;
    }
    // The model line (line 3 of the prompt's answer) sets the memory limit
    // and, through the report, the window title.
    status(QStringLiteral("OK Connected"));
    result.modelLine = link.ReplyLine(3).left(20);
    result.model = s.ApplyModelLine(result.modelLine);
    result.memoryLimit = s.MemoryLimit;
    if (result.model && progress.modelRecognised)
        progress.modelRecognised(*result.model);
    // The PIN's answer starts from an empty view and buffer.
    link.ClearReceiveView();
    Delay(10);
    link.ClearReceived();
    // The PIN never shows in the status bar.
    link.Transmit("a" + details.pin + "\r");
    // A Log Off ends the wait at once, quietly.
    link.WaitReply(80, &s.LogOnAbort);
    if (s.LogOnAbort) {
        result.outcome = LogOnOutcome::Ended;
        return result;
    }
    if (!link.ReplyReceived()) {
        result.outcome = LogOnOutcome::PinRefused;
        return result;
    }
    link.MarkLoggedOn();
    result.outcome = LogOnOutcome::Connected;
    return result;
}

} // namespace porv
