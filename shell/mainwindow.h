#pragma once
// TporvForm, the main window "porvForm": the page control with the pages
// registered with it, the main menu, the tool bar, the two-panel status bar,
// the title animation, the timers, the receive view RxMemo, the log-on and
// log-off, and the routing of the File commands to the pages. It implements
// ShellServices for the pages and shows what its UnitConnection says.
//
// Its code is spread by concern: mainwindow.cpp (construction, pages, File
// commands), windowbuild.cpp (menus, tool bar, page control, status bar,
// timers), windowservices.cpp (status panels and ShellServices), windowports.cpp
// (the Ports menu), windowlogon.cpp (log-on, log-off, the connection's signals),
// windowbackup.cpp (the whole-unit commands: back up, restore, compare, and the
// automatic backup before a Write All), windowsitebook.cpp (the site book
// window and what it asks of the unit).
#include <memory>
#include <functional>
#include <QByteArray>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <vector>

#include "link.h"
#include "pageregistry.h"
#include "shellservices.h"
#include "unitconnection.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;

namespace porv {

class AboutBox;
class DialogSeam;
class DirectoryAccess;
class EnterPin;
class ImageList;
class ParameterFields;
class Session;
class ShellPage;
class SiteBookWindow;
class BookRecorder;
class TransferForm;
struct BookUnit;
struct SnapshotInfo;
struct UnitIdentity;
struct UnitDiff;

class TporvForm : public QMainWindow, public ShellServices {
    Q_OBJECT
public:
    explicit TporvForm(QWidget *parent = nullptr);
    ~TporvForm() override;

    UnitConnection &connection() { return *m_connection; }
    Link &link() { return m_link; }
    Session &session() { return *m_session; }
    DialogSeam &seam() { return *m_seam; }
    TransferForm &transferForm() { return *m_transfer; }
    EnterPin &enterPin() { return *m_enterPin; }
    AboutBox &aboutBox() { return *m_about; }
    ImageList &imageList() { return *m_images; }

    // The pages in tab order: the page widget of the page control (phdir,
    // system, Events, RFid_SU) and the page class hosted on it, when there is
    // one; the index of the page of that objectName, or -1.
    int pageCount() const { return int(m_pages.size()); }
    QWidget *pageWidget(int index) const;
    ShellPage *hostedPage(int index) const;
    int pageIndex(const QString &objectName) const;
    // The hosted page class of that class, or nullptr.
    template <class Page>
    Page *hostedPage() const
    {
        for (int i = 0; i < pageCount(); ++i)
            if (auto *page = dynamic_cast<Page *>(hostedPage(i)))
                return page;
        return nullptr;
    }
    // Puts a page class into its page; the window then routes the File
    // commands and the logged-on state to it.
    void hostPage(int index, QWidget *page, ShellPage *commands);

    // State the tests and pages read.
    bool SaveAllowed = false;
    bool SaveAsAllowed = false;
    bool EventsLoaded = false;
    int ledImage() const { return m_ledImage; }
    bool ledMarked() const { return m_ledMarked; }
    QString statusText(int panel) const;
    QStringList portTable() const { return m_portTable; }

    // --- ShellServices -------------------------------------------------------
    void ShowStatus(int panel, const QString &text) override;
    void ShowMessage(const QString &text) override;
    bool AskQuestion(const QString &text) override;
    QString AskOpenFileName(const FileDialogRequest &request) override;
    QString AskSaveFileName(const FileDialogRequest &request) override;
    void AllowDirectorySave() override;
    void SetSaveAsEnabled(bool enabled) override;
    void Beep() override;
    void DisableFileCommands() override;
    void HoldFileCommands(bool hold) override;
    void SetEventsLoaded(bool loaded) override;
    QTimer *CaptureTimer() override;
    void ShowHistory(const QByteArray &room, bool tagEvents) override;
    bool BeforeOverwrite(const QString &what) override;

public slots:
    // Start-up reset and File New.
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileSave1Execute();
    void SaveAsClick();
    void FileExit1Execute();
    void HelpAbout1Execute();
    // File -> Back up unit…, Restore unit…, Compare with unit… (logged on).
    void BackUpUnitClick();
    void RestoreUnitClick();
    void CompareUnitClick();
    // File -> Site book…: the site book window, not modal (windowsitebook.cpp).
    void SiteBookClick();
    // Help -> Save link trace: the session's link trace into a file the user picks.
    void SaveLinkTraceClick();
    // The page command of the page at that index (its Window menu item and
    // tool button): shows the page and sets the File commands for it.
    void RunPageCommand(int index);
    void PHButClick();
    void PbuttClick();
    void EbuttClick();
    void RFbuttClick();
    // Log on / log off (tool button led and menu item OnLine1).
    void OnLine1Click();
    // Ports.
    int BuildPortsMenu();
    void ChangeComClick(QAction *entry);
    // The last Ports entry, "Other…": asks for a device path and selects it.
    void OtherPortClick(QAction *entry);
    void UpdatePorts1Click();
    // Timer1, the lamp's blink; Timer4, the connection's network poll, which
    // keeps the lamp still over the network link.
    void Timer1Timer();
    void Timer4Timer();

public:
    // What the connection's operations show: the transfer window, the lamp.
    void ShowTransfer();
    void HideTransfer();
    void SetLedImage(int image);
    void SetLoggedOffState();
    void SetLoggedOnControls();
    void EnablePortSelection();

    // The names of the pages' controls that log-on enables and log-off
    // disables, and the transfer buttons enabled at the end of a log-on, as
    // the pages' descriptors give them.
    QStringList LoggedOnControlNames() const;
    QStringList TransferButtonNames() const;
    // The connected unit as the log-on found it: its model line, MemoryLimit
    // and connection.
    UnitIdentity ConnectedUnit() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    // A registered page: its descriptor, its page widget, the page class.
    struct Page {
        PageDescriptor descriptor;
        QWidget *widget = nullptr;
        QPointer<QWidget> hosted;
        ShellPage *commands = nullptr;
    };

    void buildMenus();
    void buildWindowMenu(QMenu *window);
    void buildToolBar();
    void buildPages();
    void buildStatusBar();
    void buildTimers();
    void hostAvailablePages();
    void placeReceiveViewLast();
    void nameToolkitButtons();
    void FormClose();
    bool logOnSteps();
    void prepareLogOn();
    void showLoggedOn();
    void showLoggedOff(LogOffReason reason, const QString &text);
    // Connects what the window shows to the connection's signals.
    void followConnection();
    void followOperations();
    void setBusyCursor(bool busy);
    void labelPorts(const QString &remembered);
    void selectPort(QAction *entry, const QString &serialPortName);
    void setLedMarked(bool marked);
    // Panel 0 shows a text, its middle cut when it is wider than the panel.
    void showInPanel0(const QString &text);
    void setLogOnEnabled(bool enabled, const QString &hint);
    void setConnectEnabled(bool enabled);
    void setPortSelectionEnabled(bool enabled);
    void setNamedControlsEnabled(const QStringList &names, bool enabled);
    // Disables the named controls; the call returned puts each back as it was.
    std::function<void()> holdNamedControls(const QStringList &names);
    // The whole-unit commands (windowbackup.cpp): one UnitOperation a
    // command, the window's side of the workflow (its questions, notices,
    // transfer window and Cancel).
    class UnitOperation;
    bool unitOperationMayStart();
    void setUnitCommandsEnabled(bool enabled);
    DirectoryAccess *phoneList() const;
    void compareWithPhoneList(DirectoryAccess &directory);
    void compareWithBackupFile();
    void compareWithParameters(const ParameterFields &fields);
    const ParameterFields *parameterFields() const;
    // Restore unit from a backup file already chosen: its checks, the
    // automatic backup, the changes and their question, the restore.
    void restoreBackupFile(const QString &path);
    // The site book window's requests (windowsitebook.cpp).
    void logOnToBookUnit(const BookUnit &unit);
    bool selectBookTransport(const BookUnit &unit);
    bool reachesBookUnit(const BookUnit &unit) const;
    void restoreBookSnapshot(const SnapshotInfo &snapshot);
    void setEditEnabled(bool enabled);
    bool offered(FileOffer offer) const;
    int currentPage() const;
    void setAnimation(bool running, const QString &hint);
    void startScaled(QTimer *timer);
    void appendReceived(const QByteArray &text);
    void resetReceived(const QByteArray &text);

    UnitConnection *m_connection;
    Link &m_link;
    Session *m_session;
    DialogSeam *m_seam = nullptr;
    ImageList *m_images = nullptr;
    TransferForm *m_transfer = nullptr;
    AboutBox *m_about = nullptr;
    EnterPin *m_enterPin = nullptr;

    QTabWidget *m_page = nullptr;
    std::vector<Page> m_pages;
    QPlainTextEdit *m_rxMemo = nullptr;
    int m_receiveViewPage = 0;

    QAction *m_fileNew = nullptr, *m_fileOpen = nullptr, *m_fileSave = nullptr, *m_saveAs = nullptr;
    QAction *m_fileExit = nullptr, *m_onLine = nullptr, *m_updatePorts = nullptr, *m_about1 = nullptr;
    // New, Open, Save and Save As: disabled as a group while a transfer holds them.
    QActionGroup *m_fileCommands = nullptr;
    int m_fileHolds = 0;
    // Back up, Restore and Compare: enabled while logged on, held with the
    // File commands.
    QAction *m_backUpUnit = nullptr, *m_restoreUnit = nullptr, *m_compareUnit = nullptr;
    QActionGroup *m_unitCommands = nullptr;
    bool m_unitBusy = false; // a whole-unit operation runs
    SiteBookWindow *m_siteBook = nullptr; // made at its first showing
    // Journals the writes to a unit of the site book (windowsitebook.cpp).
    std::shared_ptr<BookRecorder> m_bookRecorder;
    void installBookRecorder();
    QMenu *m_editMenu = nullptr, *m_connectMenu = nullptr, *m_portsMenu = nullptr;
    QToolBar *m_toolBar = nullptr;
    QToolButton *m_led = nullptr;
    QLabel *m_panels[2] = {};
    QString m_panel0;
    QLabel *m_animate = nullptr;
    QTimer *m_animTimer = nullptr;
    QList<QPixmap> m_frames;
    int m_frame = 0;
    QTimer *m_timer1 = nullptr, *m_timer3 = nullptr;
    bool m_bulkShown = false; // the lamp blinks for an operation

    QStringList m_portTable;
    int m_ledImage = 22;
    bool m_ledMarked = false;
    bool m_busyCursor = false;
    bool m_closing = false;
};

} // namespace porv
