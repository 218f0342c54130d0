#pragma once
// What the pages ask of the main window: status bar panels, the transfer
// window, the lamp, the cursor, the timers they start and stop, the File
// command enabling, and the dialog seam (message boxes, questions, file
// dialogs) that tests answer in advance. The window implements it; pages
// receive it and never reach the window itself.
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

    // The transfer window (status panel 0 reads "DownLoading." on show, "Done" on hide).
    virtual void ShowTransfer() = 0;
    virtual void HideTransfer() = 0;

    // Hourglass cursor during bulk transfers.
    virtual void SetBusyCursor(bool busy) = 0;

    // The images of the Log On button's lamp (ImageList1).
    static constexpr int LampLoggingOff = 20;
    static constexpr int LampOnLine = 21;
    static constexpr int LampOffLine = 22;

    // Timer1, the lamp blink of the Log On button during bulk transfers, and the
    // image shown on it (one of the lamp images above).
    virtual void StartLampBlink() = 0;
    virtual void StopLampBlink() = 0;
    virtual void SetLedImage(int image) = 0;

    // Timer2, the keep-alive while logged on.
    virtual void StartKeepAlive() = 0;
    virtual void StopKeepAlive() = 0;

    // File commands: a directory download, load or RFID download enables File
    // Save and Save As and sets SaveAllowed and SaveAsAllowed.
    virtual void AllowDirectorySave() = 0;
    // Save As on the page showing (the Events page after a download).
    virtual void SetSaveAsEnabled(bool enabled) = 0;

    // The system beep.
    virtual void Beep() = 0;

    // --- File command holds, the loaded events, the capture timer, the memory
    // limit and the transfer's count. These have defaults, so services without
    // a window behind them define only what they use.

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
    // MemoryLimit of the connected model (0x9000 before the first log-on, 0
    // for a model line that matches none).
    virtual int MemoryLimit() const { return 0x9000; }
    // How far the transfer showing in the transfer window has come: done of
    // total records or blocks, what is transferred (never the memory's
    // capacity); a total of 0 when it is not known, done alone then counting
    // what has come. The window shows it until it is hidden.
    virtual void ShowTransferProgress(int done, int total) { (void)done, (void)total; }
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
