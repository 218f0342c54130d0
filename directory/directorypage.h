#pragma once
// The PhoneDataBase page (phdir): the grid DBGrid1 over DirectoryTable, the
// edit boxes with their key rules, the navigator bar DBNavigator1, the file
// name box DBFiles, the buttons of the directory download (GetData), the full
// upload (WriteData), the single-record commit and insert, the delete, and the
// phone list file commands. What these do with the unit and the table is the
// directory core's (directorytransfer.h, directorycommit.h); the page reads
// its boxes, calls the core and enables its controls.
//
// The page owns DirectoryTable and the directory state flags for the life of
// the window; the RFID page works on the same table through the public part
// below. The table's after-move notification runs DirectoryTableAfterScroll
// and moves DBGrid1's current row, except while the table's display updates
// are suspended: a fill or a binding pass that suspends them and then moves
// to the record it wants shown gets the boxes and the grid right once.
#include <QByteArray>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "directorycommit.h"
#include "directoryediting.h"
#include "directorygrid.h"
#include "directorytable.h"
#include "memtable.h"
#include "memtablemodel.h"
#include "shellpage.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QToolButton;

namespace porv {

class ClientFinder;
class DirectoryAccess;
class Link;
class ShellServices;

// Shows a value (Latin-1) in a box; a box that already shows it is left alone,
// so it sends no change signal.
void ShowBoxText(QLineEdit *box, const QByteArray &value);

// The buttons of the navigator bar, in the order the bar shows them.
enum class NavButton { First, Prior, Next, Last, Insert, Delete, Refresh };

class DirectoryPage : public QWidget, public ShellPage {
    Q_OBJECT
public:
    // rxMemo: the receive view, which the page places in its layout.
    DirectoryPage(Link &link, ShellServices &shell, QPlainTextEdit *rxMemo, QWidget *parent = nullptr);
    ~DirectoryPage() override;

    // --- what the RFID page shares ---------------------------------------------
    MemTable &DirectoryTable() { return m_table; }
    DirectoryState &State() { return m_state; }
    // The item model over the table (for DBGrid3) and DBGrid1's view of it.
    MemTableModel *TableModel() { return &m_model; }
    DirectoryGridModel *GridModel() { return &m_gridModel; }
    // The table, its flags and the controls that follow them, as the
    // directory core's operations take them.
    DirectoryAccess &Access();
    // The before-delete check of the table: refuses unless DeleteConfirmed is
    // set, and clears it.
    bool DirectoryTableBeforeDelete();
    // DirectorySynced with the WrtChg box that follows it (enabled exactly
    // while synced).
    void SetDirectorySynced(bool synced);
    // Whether single changes are written through: WrtChg ticked.
    bool WriteEachChange() const;
    // Grids that show the table besides DBGrid1 (DBGrid3): laid out with it.
    void AttachGrid(QTableView *grid, DirectoryGrid which);

    // --- controls (tests and pictures) ------------------------------------------
    QTableView *DBGrid1() const { return m_grid; }
    QLineEdit *DBFiles() const { return m_files; }
    ClientFinder *Finder() const { return m_finder; }

    // --- ShellPage ------------------------------------------------------------------
    void FileOpen() override;
    void FileSaveAs() override;
    void FileSave() override;
    void FileNew() override;
    void LogOnStarting() override;
    void SetLoggedOn(bool loggedOn) override;

public slots:
    // The download, the full upload and the single-record commands.
    void GetDataClick();
    void WriteDataClick();
    void NavOkClick();
    void NavInstClick();
    void UndoClick();
    // A click on a button of the navigator bar: DBNavigator1BeforeAction, then
    // the bar's own action.
    void NavigatorClick(NavButton button);
    void DBNavigator1BeforeAction(NavButton button);
    void DBGrid1TitleClick(int column);
    // The after-move notification of the table (only while ShowRecordEnabled).
    void DirectoryTableAfterScroll();
    void EnableEntryButtons();
    void LayoutDirectoryGrid();
    // ShowGlobalCodesState of the parameters page, its directory part: the
    // code columns in olive (titles grey) when the option is in use.
    void ShowCodeColumns(bool globalCodesInUse);

signals:
    // A phone list file was opened: the global-codes state is shown afresh
    // (the parameters page's ShowGlobalCodesState, which recolours the grid).
    void phoneListOpened();
    // DirectoryTableAfterScroll showed the table's current record in the edit
    // boxes: other boxes that show the current record (the RFID page's) follow
    // it now, and only now.
    void recordShown();

private:
    void build(QPlainTextEdit *rxMemo);
    // The find text shows no record: the boxes show none and the commands on
    // the current record wait until a record is shown again.
    void showNoRecord(bool none);
    void wireTable();
    void syncGrid();
    void sizeGrid();
    void gridRowChosen(int row);
    void moveFocusOn(QWidget *from);
    bool NamefKeyPress(int key);
    bool RoomNumberKeyPress(int key);
    bool PHnumberKeyPress(int key, const QString &text);
    bool CodeKeyPress(QLineEdit *box, int key);
    void PHnumberEdited(const QString &text);
    QByteArray boxText(const QLineEdit *box) const;
    DirectoryRecordText boxesRecord() const;
    void loadPhoneList(const QString &path);
    // While a download or full upload runs, GetData and WriteData are
    // disabled; at its end they are as they were, while still logged on.
    void holdTransferButtons();
    void releaseTransferButtons();

    class Hooks;

    Link &m_link;
    ShellServices &m_shell;
    MemTable m_table;
    MemTableModel m_model;
    DirectoryGridModel m_gridModel;
    DirectoryState m_state;
    std::unique_ptr<Hooks> m_hooks;
    QList<QPair<QPointer<QTableView>, DirectoryGrid>> m_otherGrids;
    int m_laidOutColumns = -1;
    bool m_syncing = false;
    bool m_heldGetData = false;
    bool m_heldWriteData = false;

    QTableView *m_grid = nullptr;
    ClientFinder *m_finder = nullptr;
    QLineEdit *m_files = nullptr;
    DirectoryEditBox *m_name = nullptr;
    DirectoryEditBox *m_room = nullptr;
    DirectoryEditBox *m_phone = nullptr;
    DirectoryEditBox *m_code1 = nullptr;
    DirectoryEditBox *m_code2 = nullptr;
    QLineEdit *m_spare = nullptr;
    QLabel *m_recordNo = nullptr;
    QLabel *m_totRec = nullptr;
    QPushButton *m_navInst = nullptr;
    QPushButton *m_navOk = nullptr;
    QPushButton *m_undo = nullptr;
    QCheckBox *m_wrtChg = nullptr;
    QPushButton *m_getData = nullptr;
    QPushButton *m_writeData = nullptr;
    QWidget *m_navigator = nullptr;
};

} // namespace porv
