#pragma once
// What the main window asks of a page it hosts (the phone directory, the
// parameters, the events, the RFID tags). A page class is a QWidget that also
// derives from ShellPage; the window calls these on it. Every default does
// nothing, so a page implements only what concerns it.
#include <QByteArray>

namespace porv {

class ShellPage {
public:
    virtual ~ShellPage() = default;

    // File commands routed to the page showing when they run.
    virtual void FileOpen() {}
    virtual void FileSaveAs() {}
    // File Save, on whatever page it runs (the directory page saves its table).
    virtual void FileSave() {}
    // File New (and start-up): the page's share of the reset.
    virtual void FileNew() {}
    // Log-on is starting (the directory page clears DirectorySynced and
    // disables WrtChg).
    virtual void LogOnStarting() {}
    // Logged on (true) or logged off (false). The window itself enables and
    // disables the logged-on controls by objectName; this is for the page's
    // own state.
    virtual void SetLoggedOn(bool loggedOn) { (void)loggedOn; }
    // The page command showed this page (Window menu, page tool button).
    virtual void PageCommand() {}
    // A room's events on their own (its tags' events when tagEvents): true
    // when this page shows them, and the window then shows the page.
    virtual bool ShowHistory(const QByteArray &room, bool tagEvents)
    {
        (void)room, (void)tagEvents;
        return false;
    }
};

} // namespace porv
