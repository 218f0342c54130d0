// The directory download (GetData) and the full upload (WriteData) of the
// PhoneDataBase page.
#include "directorypage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStringList>
#include <QTableView>

#include <algorithm>

#include "codecs.h"
#include "delay.h"
#include "link.h"
#include "shellservices.h"

namespace porv {

namespace {

constexpr int kLampOnLine = 21;

QByteArray addressText(int address)
{
    QByteArray key = QByteArray::number(address, 16).toUpper();
    if (key.size() < 4)
        key.prepend(QByteArray(4 - key.size(), '0'));
    return key;
}

} // namespace

// --- download ----------------------------------------------------------------------

void DirectoryPage::GetDataClick()
{
    Link &link = m_link;
    // The waits below process clicks: a second GetData inside a running one
    // (or inside a tag transfer, which also fills the table) would send a
    // second dump into the first and read its tail as the whole directory.
    if (m_state.DirectoryBusy)
        return;
    holdForTransfer();
    const auto release = qScopeGuard([this] { releaseAfterTransfer(); });
    // 1.
    link.BeginBulkReply();
    m_state.DirectoryBusy = true;
    bool suspended = false;
    // 13. However the download ends.
    const auto finalSteps = qScopeGuard([this, &suspended] {
        if (suspended)
            m_table.ResumeDisplay();
        // Left set by a failure, the flag would block the commit and the RFID
        // page's record commands for good.
        m_state.DirectoryBusy = false;
        m_shell.HideTransfer();
        m_shell.SetBusyCursor(false);
        m_shell.StopLampBlink();
        // After a Log Off inside the wait the window stays off line.
        if (m_link.LoggedOn()) {
            m_shell.StartKeepAlive();
            m_shell.SetLedImage(kLampOnLine);
        }
        m_link.EndBulkReply();
    });
    // 2.-3.
    link.ClearReceived();
    Delay(10);
    link.SendCommand(QByteArrayLiteral("d01281152\r"));
    // 4.
    link.ClearReceiveView();
    m_shell.ShowTransfer();
    m_shell.SetBusyCursor(true);
    m_shell.StartLampBlink();
    m_shell.StopKeepAlive();
    // 5.
    link.ResetReply();
    link.ResetLineCount();
    // 6. The dump ends at its closing line; a record whose name holds "OK"
    // sets ReplyReceived too, but does not end the wait. Text the unit sends
    // after the closing line clears ReplyReceived, but the dump is whole.
    const int budget = link.RemoteMode() ? 1000 : 500;
    const int capacity = DirectoryCapacity(m_shell.MemoryLimit());
    int idle = 0;
    bool silent = false;
    for (int poll = 0; poll <= budget; ++poll) {
        if (DirectoryDumpComplete(link.RxBuffer()))
            break;
        Delay(100);
        // The records so far: the lines less the dump's first and an "OK" line.
        m_shell.ShowTransferProgress(link.LineCount() - 1 - int(link.ReplyReceived()), capacity);
        if (link.DataSeen()) {
            idle = 0;
        } else if (++idle > 40) {
            m_shell.ShowMessage(QStringLiteral("communication error"));
            silent = true;
            break;
        }
        Delay(10);
        link.ClearDataSeen();
    }
    // 7.-8.
    Delay(1000);
    link.SetReceiveView(link.RxBuffer());
    // 9.-10.
    DefineDirectoryTable(m_table);
    m_table.Open();
    m_table.EmptyTable();
    LayoutDirectoryGrid();
    m_shell.AllowDirectorySave();
    // 11.
    const DirectoryDump dump = ReadDirectoryDump(link.ReceiveView());
    m_table.SuspendDisplay();
    suspended = true;
    for (const QByteArray &line : dump.recordLines) {
        if (line.isEmpty())
            continue;
        const DirectoryLine r = ParseDirectoryLine(line);
        if (r.Name.isEmpty() || r.RoomNumber.isEmpty())
            continue;
        m_table.AppendRecord({r.Name, r.RoomNumber, DecodeDigits(r.PHnumber), r.Code1, r.Code2, r.spare,
                              QByteArray(), r.Addr});
    }
    suspended = false;
    m_table.ResumeDisplay();
    // 12. Only a dump that arrived whole mirrors the unit: after a broken one
    // a single write could reuse an address the unit still holds.
    m_state.DirectoryBusy = false;
    m_table.First();
    if (dump.complete) {
        SetDirectorySynced(true);
    } else {
        SetDirectorySynced(false);
        if (!silent)
            m_shell.ShowMessage(QStringLiteral("The phone list did not arrive complete.\r\n"
                                               "Get the data again before writing changes."));
    }
}

// --- transfers hold the File commands ----------------------------------------------

void DirectoryPage::holdForTransfer()
{
    m_shell.HoldFileCommands(true);
    m_heldGetData = m_getData->isEnabled();
    m_heldWriteData = m_writeData->isEnabled();
    m_getData->setEnabled(false);
    m_writeData->setEnabled(false);
}

void DirectoryPage::releaseAfterTransfer()
{
    m_shell.HoldFileCommands(false);
    // A Log Off during the transfer has disabled them for good.
    m_getData->setEnabled(m_heldGetData && m_link.LoggedOn());
    m_writeData->setEnabled(m_heldWriteData && m_link.LoggedOn());
}

// --- full upload ---------------------------------------------------------------------

namespace {

// Lines of the received text that hold "OK", the last one counted before its
// line end has come.
int okLines(const QByteArray &received)
{
    int count = 0;
    for (const QByteArray &line : SplitReplyLines(received))
        count += line.contains("OK") ? 1 : 0;
    return count;
}

// How the closing message of an upload names a record: by its name, else by
// its room, else by its address.
QString recordLabel(const QByteArray &name, const QByteArray &room, const QByteArray &addr)
{
    if (!name.isEmpty())
        return QString::fromLatin1(UnitName(name));
    if (!room.isEmpty())
        return QStringLiteral("room %1").arg(QString::fromLatin1(room));
    return QStringLiteral("record at %1").arg(QString::fromLatin1(addr));
}

} // namespace

bool DirectoryPage::eraseDirectory()
{
    Link &link = m_link;
    bool acknowledged = false;
    for (int attempt = 0; attempt < 2 && !acknowledged; ++attempt) {
        link.ClearReceived();
        link.SendCommand(QByteArrayLiteral("\r"));
        Delay(100);
        link.SendCommand(QByteArrayLiteral("f5a\r"));
        // The prompt is owed its "OK", which a slow unit sends only after
        // "f5a" has gone out; every "OK" up to then answered the prompt. Only
        // an "OK" beyond those answers the erase, and it may come during the
        // fixed wait below, before the reply wait proper.
        const int owed = std::max(okLines(link.RxBuffer()), 1);
        link.SetReplyReceived(false);
        link.ClearDataSeen();
        Delay(100);
        for (int poll = 0; poll < 5 && okLines(link.RxBuffer()) <= owed; ++poll)
            Delay(100);
        acknowledged = okLines(link.RxBuffer()) > owed;
    }
    link.SetReplyReceived(acknowledged);
    return acknowledged;
}

void DirectoryPage::WriteDataClick()
{
    // 1.-2.
    m_table.Refresh();
    const int capacity = DirectoryCapacity(m_shell.MemoryLimit());
    if (m_table.RecordCount() > capacity) {
        m_shell.ShowMessage(QStringLiteral("There are to many records to store\r\n"
                                           "to this Portavel version.\r\n%1 is the limit.")
                                .arg(capacity));
        return;
    }
    // 3.
    if (!m_shell.AskQuestion(QStringLiteral("This will replace ALL numbers currently\r\n"
                                            "stored in the Portavel, Continue?")))
        return;
    holdForTransfer();
    const auto release = qScopeGuard([this] { releaseAfterTransfer(); });
    // 4.
    m_shell.ShowStatus(0, QStringLiteral("Sorting"));
    Delay(50);
    m_table.Sort(QByteArrayLiteral("Name"), MemTable::SortCase::Sensitive);
    m_table.First();
    m_table.SuspendDisplay();
    {
        const auto resume = qScopeGuard([this] { m_table.ResumeDisplay(); });
        m_shell.ShowStatus(0, QStringLiteral("Sorting Addresses"));
        Delay(50);
        // 5.
        if (m_table.RecordCount() == 0)
            return;
        // 6. Consecutive addresses from 1000 in name order.
        int address = kDirectoryBase;
        m_table.First();
        while (!m_table.Eof()) {
            m_table.Edit();
            m_table.SetFieldText(QByteArrayLiteral("Addr"), addressText(address));
            m_table.Post();
            m_table.Next();
            address += kDirectoryBlockSize;
        }
    }
    // 7.-8.
    m_shell.ShowTransfer();
    m_shell.ShowStatus(0, QStringLiteral("Erasing Current phone List"));
    bool erased = false;
    {
        // A failure that travels (a serial write) must not leave the
        // transfer window up over a transfer that has ended.
        auto hide = qScopeGuard([this] { m_shell.HideTransfer(); });
        erased = eraseDirectory();
        hide.dismiss();
    }
    if (!erased) {
        m_shell.HideTransfer();
        m_shell.ShowMessage(QStringLiteral("Could not clear All,\r\nSave your files and\r\nRecheck connection"));
        return;
    }
    rewriteDirectory();
}

void DirectoryPage::rewriteDirectory()
{
    // 9.
    m_shell.ShowStatus(0, QStringLiteral("Rewriting Phone List"));
    m_grid->setEnabled(false);
    m_shell.SetBusyCursor(true);
    m_state.ShowRecordEnabled = false;
    m_table.SuspendDisplay();
    bool finished = false;
    // A failure that travels (a serial write) still gives the page back.
    const auto restore = qScopeGuard([this, &finished] {
        if (finished)
            return;
        m_shell.HideTransfer();
        m_table.ResumeDisplay();
        m_state.ShowRecordEnabled = true;
        m_shell.SetBusyCursor(false);
        m_grid->setEnabled(true);
    });
    m_table.First();
    int errors = 0;
    int written = 0;
    // Records the unit could not list back are not written; the closing
    // message names them.
    QStringList skipped;
    bool namesChanged = false;
    // 10.
    do {
        m_shell.ShowTransferProgress(++written, m_table.RecordCount());
        QByteArray room = m_table.FieldText(QByteArrayLiteral("RoomNumber"));
        if (!room.isEmpty())
            room = NumericOrZero(room, m_shell);
        const QByteArray addr = m_table.FieldText(QByteArrayLiteral("Addr"));
        const QByteArray name = m_table.FieldText(QByteArrayLiteral("Name"));
        const QByteArray phone = m_table.FieldText(QByteArrayLiteral("PHnumber"));
        const RecordProblem problem = CheckRecord(room, phone, name);
        if (problem.kind != RecordProblem::None) {
            skipped.append(recordLabel(name, room, addr) + QStringLiteral(": ") + RecordProblemText(problem));
        } else {
            namesChanged = namesChanged || UnitName(name) != name;
            const QByteArray data = RecordData(room, m_table.FieldText(QByteArrayLiteral("Code1")),
                                               m_table.FieldText(QByteArrayLiteral("Code2")),
                                               m_table.FieldText(QByteArrayLiteral("spare")), phone, name);
            if (!m_link.WriteDirectoryBlock(addr, data)) {
                Delay(40);
                if (!m_link.WriteDirectoryBlock(addr, data))
                    ++errors;
            }
        }
        m_table.Next();
    } while (!m_table.Eof() && m_link.LoggedOn() && errors <= 5);
    // 11. One closing message.
    m_shell.HideTransfer();
    QStringList closing;
    if (errors > 0)
        closing.append(QStringLiteral("There was %1 error(s)").arg(errors));
    if (!skipped.isEmpty()) {
        constexpr int kNamed = 20;
        closing.append(QStringLiteral("These records were not written:"));
        closing.append(skipped.mid(0, kNamed));
        if (skipped.size() > kNamed)
            closing.append(QStringLiteral("and %1 more").arg(skipped.size() - kNamed));
    }
    if (namesChanged)
        closing.append(QStringLiteral("Commas and control characters in names were stored as spaces."));
    if (!closing.isEmpty())
        m_shell.ShowMessage(closing.join(QStringLiteral("\r\n")));
    // 12.
    finished = true;
    m_table.ResumeDisplay();
    m_state.ShowRecordEnabled = true;
    m_shell.ShowStatus(0, QStringLiteral("Done"));
    m_shell.SetBusyCursor(false);
    m_grid->setEnabled(true);
    SetDirectorySynced(true);
    Delay(10);
}

} // namespace porv
