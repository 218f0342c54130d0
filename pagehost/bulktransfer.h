#pragma once
// A bulk transfer is running: the unit's reply comes in bulk (CountMode), the
// transfer window shows, the lamp blinks and, for the directory and tag
// transfers, the cursor is the hourglass and the keep-alive is stopped.
//
// A transfer makes one BulkTransfer before it changes any of these and calls
// BeginReply and Show where its own order puts them. However it ends (done,
// stopped early, or a failure that travels), the end of the BulkTransfer's
// scope gives back what it took: the transfer window hidden, the normal
// cursor, the lamp still, CountMode off, and, only while still logged on, the
// keep-alive running again and the lamp on line. After a Log Off inside the
// transfer the window stays as the log-off left it: off line, no keep-alive.
namespace porv {

class Link;
class ShellServices;

class BulkTransfer {
public:
    // What the window shows while the transfer runs.
    enum class Look {
        // The transfer window, the hourglass and the blinking lamp; the
        // keep-alive stopped (the directory and tag transfers).
        Busy,
        // The transfer window and the blinking lamp only; the cursor and the
        // keep-alive stay as they are (the event download, whose CountMode
        // alone keeps the keep-alive quiet).
        Lamp,
    };

    BulkTransfer(Link &link, ShellServices &shell);
    ~BulkTransfer();
    BulkTransfer(const BulkTransfer &) = delete;
    BulkTransfer &operator=(const BulkTransfer &) = delete;

    // From here the reply comes in bulk: CountMode on, the keep-alive count 0.
    void BeginReply();
    // Shows that the transfer runs.
    void Show(Look look = Look::Busy);

private:
    Link &m_link;
    ShellServices &m_shell;
    bool m_shown = false;
    bool m_busy = false;
};

} // namespace porv
