// The main window's part of the site book: File -> Site book… shows the site
// book window (not modal, beside the main window), whose dialogs go through
// the window's dialog seam; its requests that need the unit come here. A
// double-click on a unit chooses the unit's transport as the Ports menu does
// and runs the window's own Log On, the log-on dialog proposing the unit's
// address (or Remote and its number) and still asking the PIN; "Restore this
// snapshot…" saves the snapshot into a temporary owner-only file and runs
// Restore unit on it, with all its questions.
#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

#include "dialogseam.h"
#include "enterpin.h"
#include "portlist.h"
#include "bookrecorder.h"
#include "booksetting.h"
#include "bookshown.h"
#include "session.h"
#include "sitebook.h"
#include "sitebookhost.h"
#include "sitebookwindow.h"
#include "unitbackup.h"
#include "unitchanges.h"
#include "unitread.h"

namespace porv {

namespace {

const QString CRLF = QStringLiteral("\r\n");
// The log-on dialog's address field takes this many characters.
constexpr int kLogOnAddressLength = 31;

// The site book window's dialogs through the main window's seam, over the
// dialog open in front (an editor) or the site book window.
class BookDialogs : public QObject, public SiteBookHost {
public:
    explicit BookDialogs(DialogSeam &seam) : m_seam(seam) {}

    void ShowMessage(const QString &text) override { m_seam.showMessage(front(), text); }
    bool AskQuestion(const QString &text) override { return m_seam.askQuestion(front(), text); }
    QString AskOpenFileName(const FileDialogRequest &r) override { return m_seam.askOpenFileName(front(), r); }
    QString AskSaveFileName(const FileDialogRequest &r) override { return m_seam.askSaveFileName(front(), r); }
    int ExecDialog(QDialog &dialog) override { return m_seam.execDialog(dialog); }
    void ShowChanges(const QString &title, const QString &intro, const QStringList &lines) override
    {
        UnitChangesDialog dialog(title, intro, lines, UnitChangesDialog::Offer::Close, front());
        m_seam.execDialog(dialog);
    }

private:
    QWidget *front() const
    {
        if (QWidget *modal = QApplication::activeModalWidget())
            return modal;
        return qobject_cast<QWidget *>(parent());
    }

    DialogSeam &m_seam;
};

} // namespace

// Every write to a unit of the book (the book the setting names; none while
// the default book has not been made) is journalled; the automatic backup
// before an overwrite becomes its snapshot. When the book cannot record a
// write, the user is asked before anything is written.
void TporvForm::installBookRecorder()
{
    BookRecorder::Hooks hooks;
    hooks.locationText = [] { return BookLocationSetting(); };
    hooks.reach = [this]() -> std::optional<UnitReach> {
        if (!m_link.LoggedOn())
            return std::nullopt;
        if (m_session->NetworkSelected)
            return UnitReach{UnitTransport::Udp, QString::fromLatin1(m_session->LogOnAddress), {}};
        if (m_link.RemoteMode())
            return UnitReach{UnitTransport::Modem, m_session->SerialPortName(), QString::fromLatin1(m_enterPin->number())};
        return UnitReach{UnitTransport::Serial, m_session->SerialPortName(), {}};
    };
    hooks.writeAnyway = [this](const QString &question) { return AskQuestion(question); };
    hooks.notRecorded = [this](const QString &message, bool) { ShowMessage(message); };
    m_bookRecorder = std::make_shared<BookRecorder>(hooks);
    m_bookRecorder->Install(m_link);
}

void TporvForm::SiteBookClick()
{
    if (!m_siteBook) {
        auto *dialogs = new BookDialogs(*m_seam);
        m_siteBook = new SiteBookWindow(*dialogs, this);
        dialogs->setParent(m_siteBook);
        connect(m_siteBook, &SiteBookWindow::logOnRequested, this, &TporvForm::logOnToBookUnit);
        connect(m_siteBook, &SiteBookWindow::restoreRequested, this, &TporvForm::restoreBookSnapshot);
        m_siteBook->show();
        m_siteBook->OpenBook();
    }
    m_siteBook->show();
    m_siteBook->raise();
    m_siteBook->activateWindow();
}

// --- log on to a unit of the book -------------------------------------------------------------

// The unit's transport, as choosing it on the Ports menu does: WiFi, the
// listed serial port of that device, or "Other…" with its path.
bool TporvForm::selectBookTransport(const BookUnit &unit)
{
    const QList<QAction *> entries = m_portsMenu->actions();
    auto entry = [&entries](const QString &name) -> QAction * {
        for (QAction *a : entries)
            if (a->objectName() == name)
                return a;
        return nullptr;
    };
    if (unit.transport == UnitTransport::Udp) {
        if (QAction *wifi = entry(NetworkEntryName())) {
            selectPort(wifi, QString());
            return true;
        }
        return false;
    }
    const QString device = DevicePath(unit.address);
    for (QAction *a : entries) {
        const QString name = a->objectName();
        if (name != NetworkEntryName() && name != QLatin1String("OtherPort") && DevicePath(name) == device) {
            selectPort(a, name);
            return true;
        }
    }
    if (!QFileInfo(device).exists() || QFileInfo(device).isDir()) {
        ShowMessage(QStringLiteral("Device not found: ") + device);
        return false;
    }
    QAction *other = entry(QStringLiteral("OtherPort"));
    if (!other)
        return false;
    selectPort(other, device);
    other->setText(OtherEntryCaption() + QStringLiteral(" (") + device + QLatin1Char(')'));
    return true;
}

void TporvForm::logOnToBookUnit(const BookUnit &unit)
{
    if (m_ledMarked) { // a log-on runs
        Beep();
        return;
    }
    if (unit.transport == UnitTransport::Udp && unit.address.size() > kLogOnAddressLength) {
        ShowMessage(QStringLiteral("The address of %1 is longer than the log-on takes (%2 characters).")
                        .arg(unit.label)
                        .arg(kLogOnAddressLength));
        return;
    }
    if (m_link.LoggedOn()) {
        if (!unitOperationMayStart())
            return;
        if (!AskQuestion(QStringLiteral("The window is logged on to %1.").arg(ConnectionDescription(*m_session)) + CRLF
                         + QStringLiteral("Log off and log on to %1?").arg(unit.label)))
            return;
        m_connection->LogOff(LogOffReason::User);
        EnablePortSelection();
    }
    if (!selectBookTransport(unit))
        return;
    EnterPin::Proposal proposal;
    if (unit.transport == UnitTransport::Udp)
        proposal.address = unit.address.toLatin1();
    proposal.remote = unit.transport == UnitTransport::Modem;
    proposal.number = proposal.remote ? unit.number.toLatin1() : QByteArray();
    m_enterPin->proposeConnection(proposal);
    OnLine1Click();
    m_enterPin->proposeConnection(std::nullopt);
    if (m_link.LoggedOn() && m_siteBook)
        m_siteBook->MarkReached(unit.id, m_connection->Unit().modelLine, m_session->MemoryLimit);
}

// --- restore a snapshot ---------------------------------------------------------------------------

// Whether the window is logged on as the book reaches the unit.
bool TporvForm::reachesBookUnit(const BookUnit &unit) const
{
    if (unit.transport == UnitTransport::Udp)
        return m_session->NetworkSelected && m_session->LogOnAddress == unit.address.toLatin1();
    return !m_session->NetworkSelected && DevicePath(m_session->SerialPortName()) == DevicePath(unit.address);
}

void TporvForm::restoreBookSnapshot(const SnapshotInfo &snapshot)
{
    const std::optional<BookUnit> unit = m_siteBook ? m_siteBook->UnitOf(snapshot.unitId) : std::nullopt;
    if (!unit)
        return;
    if (!m_link.LoggedOn()) {
        ShowMessage(QStringLiteral("Log on to %1 first (a double-click on it in the site book), then restore the "
                                   "snapshot.")
                        .arg(unit->label));
        return;
    }
    if (!unitOperationMayStart())
        return;
    if (!reachesBookUnit(*unit)
        && !AskQuestion(QStringLiteral("The window is logged on to %1, not to %2 (%3).")
                            .arg(ConnectionDescription(*m_session), unit->label, ReachedBy(*unit))
                        + CRLF + QStringLiteral("Restore the snapshot of %1 to the unit the window is logged on to?").arg(unit->label)))
        return;
    // The snapshot as a file only this user can read, gone when the restore ends.
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        ShowMessage(QStringLiteral("The snapshot cannot be prepared: %1").arg(folder.errorString()) + CRLF
                    + QStringLiteral("Nothing was written to the unit."));
        return;
    }
    const QString path = folder.filePath(SnapshotFileName(unit->label, snapshot.taken));
    const BookError exported = m_siteBook->ExportSnapshotTo(snapshot.id, path);
    if (!exported.ok()) {
        ShowMessage(exported.message + CRLF + QStringLiteral("Nothing was written to the unit."));
        return;
    }
    restoreBackupFile(path);
}

} // namespace porv
