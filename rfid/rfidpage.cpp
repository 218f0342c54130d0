#include "rfidpage.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

#include "clientfinder.h"
#include "delay.h"
#include "directorypage.h"
#include "link.h"
#include "memtable.h"
#include "memtablemodel.h"
#include "shellservices.h"
#include "unitconnection.h"
#include "tablegridview.h"
#include "tagmessages.h"

namespace porv {

namespace {

const QByteArray kRfidField = QByteArrayLiteral("RFID");

void setHint(QWidget *w, const QString &hint)
{
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

} // namespace

RfidPage::RfidPage(Link &link, ShellServices &shell, DirectoryPage &directory, QWidget *parent)
    : QWidget(parent), m_link(link), m_shell(shell), m_directory(&directory)
{
    setObjectName(QStringLiteral("RfidPage"));
    build();

    MemTable &table = directory.DirectoryTable();
    connect(&table, &MemTable::afterMove, this, [this] { syncGrid(); });
    connect(&directory, &DirectoryPage::recordShown, this, &RfidPage::showRecord);
    showRecord();

    m_timer3 = shell.CaptureTimer();
    if (!m_timer3) {
        // Without a window (a page on its own) the page keeps its own Timer3.
        m_timer3 = new QTimer(this);
        m_timer3->setObjectName(QStringLiteral("Timer3"));
    }
    connect(m_timer3, &QTimer::timeout, this, &RfidPage::Timer3Timer);
}

RfidPage::~RfidPage()
{
    if (m_timer3)
        disconnect(m_timer3, nullptr, this, nullptr);
    if (m_directory) {
        disconnect(&m_directory->DirectoryTable(), nullptr, this, nullptr);
        disconnect(m_directory, nullptr, this, nullptr);
    }
}

void RfidPage::build()
{
    DirectoryPage &directory = *m_directory;

    // The current record's boxes come first in the tab order, before the grid.
    m_rfName = new QLineEdit(this);
    m_rfName->setObjectName(QStringLiteral("rfName"));
    m_rfName->setReadOnly(true);
    m_rfRoom = new QLineEdit(this);
    m_rfRoom->setObjectName(QStringLiteral("rfRoom"));
    m_rfRoom->setReadOnly(true);
    m_rfID = new QLineEdit(this);
    m_rfID->setObjectName(QStringLiteral("rfID"));
    m_rfID->setMaxLength(10);
    m_rfName->setAccessibleName(QStringLiteral("Client's name"));
    m_rfRoom->setAccessibleName(QStringLiteral("Client's room number"));
    m_rfID->setAccessibleName(QStringLiteral("RFID tag code"));
    connect(m_rfName, &QLineEdit::textChanged, this, &RfidPage::rfNameChange);

    // DBGrid3: Name, RoomNumber and RFID of DirectoryTable.
    auto *grid = new TableGridView(this);
    m_grid = grid;
    m_grid->setObjectName(QStringLiteral("DBGrid3"));
    m_grid->setAccessibleName(QStringLiteral("RFID tags"));
    m_grid->setModel(directory.TableModel());
    // The find row above the grid filters what the grid shows, never the table.
    auto *finder = new ClientFinder(directory.DirectoryTable(), grid, ClientFinder::History::Tag,
                                    QStringLiteral("FindTag"), this);
    m_finder = finder;
    connect(finder, &ClientFinder::historyRequested, this,
            [this](const QByteArray &room, bool tagEvents) { m_shell.ShowHistory(room, tagEvents); });
    connect(finder, &ClientFinder::nothingShownChanged, this, &RfidPage::showRecord);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSortingEnabled(false);
    m_grid->setWordWrap(false);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // The rows' header numbers the records: up to the thousand of the phone
    // list and the tag download's new records beyond them.
    FitRowNumbers(m_grid, 4);
    // The layout's widths, each wider where a value or its title needs it;
    // the grid as wide as its columns.
    new ColumnFit(m_grid, [this] {
        m_grid->setFixedWidth(GridWidthFor(m_grid, ShownColumnsWidth(m_grid)));
    });
    grid->userMovedTo = [this](int row) { gridRowChosen(row); };
    directory.AttachGrid(m_grid, DirectoryGrid::DBGrid3);
    connect(directory.TableModel(), &QAbstractItemModel::modelReset, this, [this] {
        // The grid builds its columns afresh whenever the table is redefined.
        ApplyDirectoryGridLayout(m_grid, DirectoryGrid::DBGrid3);
        syncGrid();
    });

    auto label = [this](const QString &text, const char *name = nullptr) {
        auto *l = new QLabel(text, this);
        if (name)
            l->setObjectName(QLatin1String(name));
        return l;
    };
    auto button = [this](const char *name, const QString &caption, const QString &hint = QString()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        if (!hint.isEmpty())
            setHint(b, hint);
        return b;
    };

    m_lcExist = label(QString(), "Lc_exist");
    QPalette red = m_lcExist->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_lcExist->setPalette(red);
    // The note comes and goes without moving the controls below it.
    QSizePolicy keepPlace = m_lcExist->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_lcExist->setSizePolicy(keepPlace);
    m_lcExist->hide();

    m_upDate = button("Button1", QStringLiteral("Up Date"), QStringLiteral("save this code to the database"));
    m_del = button("Button2", QStringLiteral("Del"));
    m_getId = button("Get_ID", QStringLiteral("Get_RFID"), QStringLiteral("Read in RFID from Portavel"));
    m_download = button("download_id", QStringLiteral("DownLoad"), QStringLiteral("Get data from Portavel"));
    m_writeAll = button("writeall_id", QStringLiteral("Write All"),
                        QStringLiteral("Erase all RFID's in Portavel and replace it with this data"));
    m_erase = button("Button3", QStringLiteral("erase"));
    // Neither has a hint of its own: the accessibility interface says what they do.
    m_del->setAccessibleDescription(QStringLiteral("Delete the whole record of this room, name, phone and codes too"));
    m_erase->setAccessibleDescription(QStringLiteral("Erase all RFID's in Portavel; the list here stays"));
    // The unit commands wait for a log-on; erase is always offered.
    m_getId->setEnabled(false);
    m_download->setEnabled(false);
    m_writeAll->setEnabled(false);

    m_idError = label(QString(), "iderror");
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, kCaptureSeconds);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(16);

    connect(m_upDate, &QPushButton::clicked, this, &RfidPage::Button1Click);
    connect(m_del, &QPushButton::clicked, this, &RfidPage::Button2Click);
    connect(m_getId, &QPushButton::clicked, this, &RfidPage::Get_IDClick);
    connect(m_download, &QPushButton::clicked, this, &RfidPage::download_idClick);
    connect(m_writeAll, &QPushButton::clicked, this, &RfidPage::writeall_idClick);
    connect(m_erase, &QPushButton::clicked, this, &RfidPage::Button3Click);

    // Layout: the grid on the left; on the right the record, the capture and
    // the transfers with the unit.
    auto *record = new QFrame(this);
    record->setObjectName(QStringLiteral("RfidRecord"));
    record->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto *boxes = new QGridLayout(record);
    boxes->setHorizontalSpacing(6);
    boxes->setVerticalSpacing(4);
    boxes->addWidget(label(QStringLiteral("Name")), 0, 0);
    boxes->addWidget(m_rfName, 0, 1, 1, 2);
    boxes->addWidget(label(QStringLiteral("Room")), 1, 0);
    boxes->addWidget(m_rfRoom, 1, 1);
    boxes->addWidget(label(QStringLiteral("RFID")), 2, 0);
    boxes->addWidget(m_rfID, 2, 1);
    m_rfRoom->setMaximumWidth(90);
    m_rfID->setMaximumWidth(110);
    auto *recordButtons = new QHBoxLayout;
    recordButtons->addWidget(m_upDate);
    recordButtons->addWidget(m_del);
    recordButtons->addStretch(1);
    boxes->addLayout(recordButtons, 3, 1, 1, 2);
    boxes->addWidget(m_lcExist, 4, 0, 1, 3);
    boxes->setColumnStretch(2, 1);

    auto *capture = new QFrame(this);
    capture->setObjectName(QStringLiteral("RfidCapture"));
    capture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto *captureLayout = new QGridLayout(capture);
    captureLayout->addWidget(m_getId, 0, 0);
    captureLayout->addWidget(m_progress, 0, 1);
    captureLayout->addWidget(m_idError, 1, 0, 1, 2);
    captureLayout->setColumnStretch(1, 1);

    auto *transfers = new QFrame(this);
    transfers->setObjectName(QStringLiteral("RfidTransfers"));
    transfers->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto *transferLayout = new QGridLayout(transfers);
    transferLayout->addWidget(label(QStringLiteral("Get data from Portavel")), 0, 0);
    transferLayout->addWidget(m_download, 0, 1);
    transferLayout->addWidget(label(QStringLiteral("Replace data in Portavel")), 1, 0);
    transferLayout->addWidget(m_writeAll, 1, 1);
    transferLayout->addWidget(m_erase, 2, 1);
    transferLayout->setColumnStretch(0, 1);

    auto *right = new QVBoxLayout;
    right->setSpacing(8);
    right->addWidget(record);
    right->addWidget(capture);
    right->addWidget(transfers);
    right->addStretch(1);

    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(8);
    auto *gridColumn = new QVBoxLayout;
    gridColumn->setSpacing(3);
    gridColumn->addWidget(finder);
    gridColumn->addWidget(m_grid, 1);
    outer->addLayout(gridColumn);
    outer->addLayout(right, 1);
}

// --- the grid -----------------------------------------------------------------------------

void RfidPage::syncGrid()
{
    if (!m_directory)
        return;
    MemTable &table = m_directory->DirectoryTable();
    if (table.DisplaySuspended())
        return;
    m_syncing = true;
    MarkTableRow(m_grid, table.Position() - 1);
    m_syncing = false;
}

void RfidPage::gridRowChosen(int row)
{
    if (m_syncing || !m_directory)
        return;
    MemTable &table = m_directory->DirectoryTable();
    if (!table.IsOpen())
        return;
    table.SetPosition(row + 1);
    syncGrid();
}

void RfidPage::showRecord()
{
    if (!m_directory)
        return;
    // With nothing shown by the find text the boxes show no record, and Up
    // Date and Del have none to act on.
    const bool shown = !m_finder->NothingShown();
    const MemTable &table = m_directory->DirectoryTable();
    const auto field = [&table, shown](const QByteArray &name) { return shown ? table.FieldText(name) : QByteArray(); };
    ShowBoxText(m_rfName, field("Name"));
    ShowBoxText(m_rfRoom, field("RoomNumber"));
    ShowBoxText(m_rfID, field(kRfidField));
    m_upDate->setEnabled(shown);
    m_del->setEnabled(shown);
}

// --- page command ----------------------------------------------------------------------------

void RfidPage::PageCommand()
{
    m_idError->clear();
    m_lcExist->hide();
}

void RfidPage::rfNameChange() { m_lcExist->hide(); }

// --- transfers ------------------------------------------------------------------------------------

void RfidPage::download_idClick()
{
    // A second click inside a running transfer (the waits process clicks)
    // would start another dump over the first.
    if (!m_directory || m_directory->State().DirectoryBusy)
        return;
    m_lastDownload = DownloadTags(m_link, m_shell, m_directory->Access());
    holdKeepAliveForCapture();
    for (const QString &message : TagDownloadMessages(m_lastDownload))
        m_shell.ShowMessage(message);
}

void RfidPage::writeall_idClick()
{
    if (!m_directory || m_directory->State().DirectoryBusy)
        return;
    m_lastWriteAll = WriteAllTags(m_link, m_shell, m_directory->Access());
    holdKeepAliveForCapture();
    for (const QString &message : WriteAllMessages(m_lastWriteAll))
        m_shell.ShowMessage(message);
}

void RfidPage::Button3Click() { EraseTagList(m_link, m_shell); }

void RfidPage::holdKeepAliveForCapture()
{
    // A transfer that ends restarts the keep-alive; while a capture waits its
    // prompt would be answered inside the capture and taken for the tag
    // message, so it stays off until the capture ends.
    if (m_capturing)
        if (UnitConnection *connection = UnitConnection::Of(m_link))
            connection->StopKeepAlive();
}

// --- capture -----------------------------------------------------------------------------------

void RfidPage::Get_IDClick()
{
    m_progress->setValue(kCaptureSeconds);
    m_link.ClearReceiveView();
    m_idError->setText(QStringLiteral("Ready"));
    m_rfID->clear();
    m_link.ClearDataSeen();
    // The keep-alive prompt would be answered inside the capture and taken
    // for the tag message: it stays off while the countdown runs.
    m_capturing = true;
    if (UnitConnection *connection = UnitConnection::Of(m_link))
        connection->StopKeepAlive();
    const int base = m_timer3->property("baseInterval").isValid() ? m_timer3->property("baseInterval").toInt() : 1000;
    m_timer3->setInterval(std::max(1, int(std::lround(base * TickScale()))));
    m_timer3->start();
    m_lcExist->hide();
}

void RfidPage::endCapture()
{
    m_timer3->stop();
    if (!m_capturing)
        return;
    m_capturing = false;
    m_link.ResetKeepAlive();
    // A transfer that is running starts the keep-alive itself when it ends.
    const bool transferRuns = m_directory && m_directory->State().DirectoryBusy;
    if (m_link.LoggedOn() && !transferRuns)
        if (UnitConnection *connection = UnitConnection::Of(m_link))
            connection->StartKeepAlive();
}

void RfidPage::Timer3Timer()
{
    // A transfer of another page may have ended since the last tick.
    holdKeepAliveForCapture();
    // One second less of the countdown; at nought the capture ends.
    m_progress->setValue(std::max(0, m_progress->value() - 1));
    if (m_progress->value() == 0)
        endCapture();
    // Nothing arrived yet.
    if (!m_link.DataSeen())
        return;
    // The tag message arrived: the capture ends and the code is read from it.
    endCapture();
    m_progress->setValue(0);
    const QByteArray code = DecodeTagMessage(m_link.ReplyLine(0));
    // A code is shown (with the record that already holds it, if any); a
    // message that holds none asks for another try.
    if (!code.isEmpty()) {
        FindTagOwner(code);
        m_rfID->setText(QString::fromLatin1(code));
    } else {
        m_idError->setText(QStringLiteral("Read Error, Try Again"));
    }
    m_shell.Beep();
}

void RfidPage::FindTagOwner(const QByteArray &code)
{
    if (!m_directory)
        return;
    const MemTable &table = m_directory->DirectoryTable();
    if (table.RecordCount() == 0)
        return;
    // The table is read where it stands: the current record and the boxes
    // stay as they are.
    if (const auto room = FindTagOwnerRoom(table, code)) {
        m_lcExist->setText(QStringLiteral("Note, This record matches room ") + QString::fromLatin1(*room));
        m_lcExist->show();
    }
}

// --- record commands -------------------------------------------------------------------------------

void RfidPage::Button1Click()
{
    if (!m_directory)
        return;
    DirectoryState &state = m_directory->State();
    if (state.DirectoryBusy || m_finder->NothingShown())
        return;
    // A tag code is ten hexadecimal digits, kept in capitals; an empty box
    // takes the tag off the record.
    const QString typed = m_rfID->text();
    const QByteArray code = typed.toLatin1().toUpper();
    if (!code.isEmpty() && !IsTagCode(code)) {
        m_shell.ShowMessage(QStringLiteral("The tag code \"%1\" is not 10 hexadecimal digits.").arg(typed));
        return;
    }
    MemTable &table = m_directory->DirectoryTable();
    state.ShowRecordEnabled = false;
    const auto reattach = qScopeGuard([&state] { state.ShowRecordEnabled = true; });
    table.Edit();
    table.SetFieldText(kRfidField, code);
    Delay(10);
    table.Post();
    Delay(10);
    state.ShowRecordEnabled = true;
    m_lcExist->hide();
}

void RfidPage::Button2Click()
{
    if (!m_directory)
        return;
    DirectoryState &state = m_directory->State();
    if (state.DirectoryBusy || m_finder->NothingShown())
        return;
    MemTable &table = m_directory->DirectoryTable();
    if (!table.IsOpen() || table.RecordCount() == 0)
        return;
    // The whole record goes, not only its tag: the user says so first.
    const QByteArray name = table.FieldText("Name");
    QString question = QStringLiteral("Delete the whole record of room ") + QString::fromLatin1(table.FieldText("RoomNumber"));
    if (!name.isEmpty())
        question += QStringLiteral(" (") + QString::fromLatin1(name) + QLatin1Char(')');
    if (!m_shell.AskQuestion(question + QLatin1Char('?')))
        return;
    state.ShowRecordEnabled = false;
    const auto reattach = qScopeGuard([&state] { state.ShowRecordEnabled = true; });
    table.Edit();
    // DirectoryTableBeforeDelete lets the delete through and clears the flag;
    // a delete that does not happen (no record) must not leave it set.
    state.DeleteConfirmed = true;
    table.Delete();
    state.DeleteConfirmed = false;
    Delay(10);
    state.ShowRecordEnabled = true;
    m_lcExist->hide();
    // The boxes show the record that is current now, not the one deleted.
    m_directory->DirectoryTableAfterScroll();
}

} // namespace porv
