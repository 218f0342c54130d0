#pragma once
// What the pages ask of the person at the program: status texts, messages,
// questions and file dialogs (the dialog seam that tests answer in advance),
// and the window's File commands. The window implements it, porv-cli its
// terminal's share; pages receive it and never reach the window itself. What
// a page asks of the session (the transfer's progress, the keep-alive, the
// memory limit of the unit logged on to) is the unit connection's
// (unitconnection.h), reached through the link.
#include <QByteArray>
#include <QString>

class QTimer;

namespace porv {

struct FileDialogRequest {
    // Where the dialog opens when no folder was used yet in this run: the
    // working folder (the phone list's and the remembered details'), or the
    // user's documents for files that are not the working folder's (whole-unit
    // backups, the link trace). A start from the desktop menu works in the
    // program's data folder, which is no place to look for files: every
    // dialog then opens in the documents.
    enum class Start { WorkingFolder, Documents };

    QString defaultExtension; // "csv", "sys", "Evt"
    QString filter;           // in the unit tool's form: "Portavel (*.csv)|*.csv|All Files (*.*)|*.*"
    QString fileName;         // proposed name, may be empty
    QString title = {};       // the dialog's title when it must say what the file holds; may be empty
    Start start = Start::WorkingFolder;
};

class ShellServices {
public:
    virtual ~ShellServices() = default;

    // Status bar: panel 0 progress and connection texts, panel 1 the last command.
    virtual void ShowStatus(int panel, const QString &text) = 0;

    // Dialog seam. A message box with one text (lines joined by CR LF); a
    // Yes/No question (true only for Yes); file dialogs that return the chosen
    // path, or an empty text when cancelled. The save dialog asks before
    // overwriting an existing file.
    virtual void ShowMessage(const QString &text) = 0;
    virtual bool AskQuestion(const QString &text) = 0;
    virtual QString AskOpenFileName(const FileDialogRequest &request) = 0;
    virtual QString AskSaveFileName(const FileDialogRequest &request) = 0;

    // File commands: a directory download, load or RFID download enables File
    // Save and Save As and sets SaveAllowed and SaveAsAllowed.
    virtual void AllowDirectorySave() = 0;
    // Save As on the page showing (the Events page after a download).
    virtual void SetSaveAsEnabled(bool enabled) = 0;

    // The system beep.
    virtual void Beep() = 0;

    // --- File command holds, the loaded events, the capture timer. These have
    // defaults, so services without a window behind them define only what
    // they use.

    // The File commands of a page that has none of its own (RFID page):
    // New, Open, Save and Save As, the Edit menu, the New/Open/Save buttons.
    virtual void DisableFileCommands() {}
    // A transfer holds the File commands (New, Open, Save, Save As and their
    // buttons) disabled until it releases them; they come back as they were,
    // or as a page command set them meanwhile. Holds nest.
    virtual void HoldFileCommands(bool hold) { (void)hold; }
    // EventsLoaded: set by the first successful event download; the Events
    // page command offers Save As from it.
    virtual void SetEventsLoaded(bool loaded) { (void)loaded; }
    // Timer3, the tag capture countdown (1000 ms); nullptr without a window.
    // The RFID page connects its timeout and starts and stops it.
    virtual QTimer *CaptureTimer() { return nullptr; }
    // History beside a grid: the page that keeps the event log shows the
    // room's events (its tags' events when tagEvents) and comes to the front.
    virtual void ShowHistory(const QByteArray &room, bool tagEvents) { (void)room, (void)tagEvents; }
    // A Write All is about to overwrite what the unit holds (`what`: "the
    // phone list", "the parameters", "the tags"), after the user confirmed
    // it: the window first saves the unit's present content as an automatic
    // backup and, when the unit cannot be backed up, asks whether to write
    // anyway. True to go on. Services without a window go on.
    virtual bool BeforeOverwrite(const QString &what)
    {
        (void)what;
        return true;
    }
};

} // namespace porv
