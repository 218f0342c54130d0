#pragma once
// The log-on: opens the chosen transport, dials through the modem when the
// Remote box asks for it, reads the unit's model line and sends the PIN. No
// widgets: the window asks for the details, shows the progress and the
// outcome's message and keeps its own controls; a program without a window
// logs on with this alone.
#include <QByteArray>
#include <QString>
#include <functional>

namespace porv {

class Session;
struct UnitModel;

// What the log-on dialog gives. The transport itself is the session's choice
// (NetworkSelected, or the serial port by its name).
struct LogOnDetails {
    QByteArray pin;
    bool remote = false;  // through a modem; never on the network link
    QByteArray number;    // what the modem dials
    QByteArray address;   // the unit's network address (the network link)
};

enum class LogOnOutcome {
    Connected,     // the unit took the PIN: LoggedOn is set
    PortNotOpened, // "Serial Communication Error"; on the network link, who holds its port
    ModemSilent,   // the modem answered no reset: nothing more is said
    NoConnection,  // no CONNECT within the dial wait, or a Log Off during it: "Failed to connect"
    NoResponse,    // the unit answered none of the prompts: "No Reponse from Portavel"
    PinRefused,    // "Failed to Connect\r\nCheck PIN"
    Ended,         // a Log Off during the prompts or the PIN's wait: nothing is said
};

struct LogOnResult {
    LogOnOutcome outcome = LogOnOutcome::Ended;
    // Once the unit answered a prompt: line 3 of its answer (at most 20
    // bytes), the model it names (nullptr for none) and the memory limit that
    // follows (0 for none).
    QByteArray modelLine;
    const UnitModel *model = nullptr;
    int memoryLimit = 0;
    // The network link's port could not be opened: why (who holds it), in the
    // place of the serial port's message, which would mislead on that link.
    bool network = false;
    QString portProblem;

    bool connected() const { return outcome == LogOnOutcome::Connected; }
    // The message shown for the outcome; empty where none is shown.
    QString message() const;
};

// What the log-on reports while it runs.
struct LogOnProgress {
    // The status texts: "Loging on Please Wait", "waiting for Connection",
    // "waiting for Model Number", "OK Connected".
    std::function<void(const QString &text)> status;
    // The model line named a model, before the PIN goes out.
    std::function<void(const UnitModel &model)> modelRecognised;
};

// Logs on over the session's chosen transport. Session::LogOnAbort (which the
// caller clears before), set during any wait by a Log Off, ends it at the next
// check. The session's MemoryLimit follows the model line. A failure that
// travels (a port that cannot be written) passes through.
LogOnResult RunLogOn(Session &session, const LogOnDetails &details, const LogOnProgress &progress = {});

} // namespace porv
