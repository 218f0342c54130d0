#pragma once
// The RFid_SU page: the grid DBGrid3 over the directory page's DirectoryTable
// (Name, RoomNumber, RFID), the current record's boxes rfName, rfRoom and rfID,
// the tag list download (download_id), Write All (writeall_id), erase
// (Button3), the capture of one tag (Get_ID with the countdown ProgressBar1 on
// the window's Timer3), and Up Date (Button1) and Del (Button2) on the current
// record.
//
// The page keeps no data of its own: tags live in the RFID field of
// DirectoryTable, which the directory page owns. The boxes rfName, rfRoom and
// rfID show the table's current record whenever the directory page shows it
// in its own boxes (its recordShown signal), and none while the find text
// shows no record (Up Date and Del then wait).
#include <QPointer>
#include <QWidget>

#include "shellpage.h"
#include "tagtransfer.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace porv {

class ClientFinder;
class DirectoryPage;
class Link;
class ShellServices;

class RfidPage : public QWidget, public ShellPage {
    Q_OBJECT
public:
    RfidPage(Link &link, ShellServices &shell, DirectoryPage &directory, QWidget *parent = nullptr);
    ~RfidPage() override;

    // The countdown of a capture starts at 20 seconds.
    static constexpr int kCaptureSeconds = 20;

    // --- controls (tests and pictures) ----------------------------------------
    QTableView *DBGrid3() const { return m_grid; }
    bool Capturing() const { return m_capturing; }
    // What the last download and Write All did.
    const TagDownloadReport &LastDownload() const { return m_lastDownload; }
    const WriteAllReport &LastWriteAll() const { return m_lastWriteAll; }

    // --- ShellPage ------------------------------------------------------------------
    // RFbuttClick's share: the page shown afresh.
    void PageCommand() override;

public slots:
    void download_idClick();
    void writeall_idClick();
    void Button3Click();
    void Get_IDClick();
    void Timer3Timer();
    void Button1Click();
    void Button2Click();
    void rfNameChange();
    // Shows Lc_exist for the first record holding the code.
    void FindTagOwner(const QByteArray &code);

private:
    void build();
    void showRecord();
    void syncGrid();
    void gridRowChosen(int row);
    void endCapture();
    void holdKeepAliveForCapture();

    Link &m_link;
    ShellServices &m_shell;
    QPointer<DirectoryPage> m_directory;
    TagDownloadReport m_lastDownload;
    WriteAllReport m_lastWriteAll;
    bool m_capturing = false;
    bool m_syncing = false;

    QTableView *m_grid = nullptr;
    ClientFinder *m_finder = nullptr;
    QLineEdit *m_rfName = nullptr;
    QLineEdit *m_rfRoom = nullptr;
    QLineEdit *m_rfID = nullptr;
    QLabel *m_lcExist = nullptr;
    QLabel *m_idError = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_download = nullptr;
    QPushButton *m_writeAll = nullptr;
    QPushButton *m_erase = nullptr;
    QPushButton *m_getId = nullptr;
    QPushButton *m_upDate = nullptr;
    QPushButton *m_del = nullptr;
    QTimer *m_timer3 = nullptr;
};

} // namespace porv
