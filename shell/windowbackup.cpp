// The main window's whole-unit commands: File -> Back up unit…, Restore
// unit…, Compare with unit… (the phone list on the PC, with Write changes, or
// a backup file), and the automatic backup a page's Write All asks for
// (ShellServices::BeforeOverwrite). The work is the workflow layer's; here
// are its questions in the window's dialogs, the one progress display with
// Cancel, the busy state and the wording of its reports.
#include "mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>
#include <QTimer>

#include <optional>

#include "backupstore.h"
#include "bulktransfer.h"
#include "dialogseam.h"
#include "directoryregistration.h"
#include "directorytransfer.h"
#include "parametersregistration.h"
#include "session.h"
#include "transferform.h"
#include "unitchanges.h"
#include "unitworkflows.h"

namespace porv {

namespace {

const QString CRLF = QStringLiteral("\r\n");
// How many records or blocks a message box names before "and n more".
constexpr int kNamedInAMessage = 20;

QString shownPath(const QString &path) { return QDir::toNativeSeparators(path); }
QString fileNameOf(const QString &path) { return QFileInfo(path).fileName(); }
// "<step>: <why>", or the reason alone when no step failed.
QString stepAndWhy(const QString &step, const QString &why) { return step.isEmpty() ? why : step + QStringLiteral(": ") + why; }

// The changes as the dialogs list them, with the notes beside them.
QStringList changeLines(const UnitDiff &diff, const QStringList &notes)
{
    QStringList lines = DiffLines(diff);
    for (const QString &note : notes)
        lines.append(QStringLiteral("Note: ") + note);
    return lines;
}

FileDialogRequest backupFileRequest(const QString &proposed = QString())
{
    return {BackupFileExtension(), BackupFileFilter(), proposed, {}, FileDialogRequest::Start::Documents};
}

} // namespace

// One whole-unit operation, from its first command to its last, and the
// window's side of its workflow: one progress display (the transfer window
// with the step beneath its pictures, in status panel 0 and its count, and
// Cancel), the File commands and the whole-unit commands held, and every page
// control that talks to the unit disabled, so that no second transfer starts
// while the waits process clicks. Log Off stays: it ends the operation at its
// next wait. While a question waits for its answer the transfer window is
// down and the keep-alive runs. At the end the controls come back as they
// were, unless the link was logged off meanwhile.
class TporvForm::UnitOperation : public UnitInteraction {
public:
    explicit UnitOperation(TporvForm &window) : m_w(window)
    {
        m_w.m_unitBusy = true;
        m_w.HoldFileCommands(true);
        m_release = m_w.holdNamedControls(m_w.LoggedOnControlNames() + m_w.TransferButtonNames());
        // The pages too: an edit committed meanwhile would write its record
        // through between the operation's own commands.
        m_pagesEnabled = m_w.m_page->isEnabled();
        m_w.m_page->setEnabled(false);
        m_w.m_transfer->offerCancel(true);
        showLook();
    }
    ~UnitOperation() override
    {
        m_look.reset();
        m_w.m_transfer->offerCancel(false);
        m_w.m_page->setEnabled(m_pagesEnabled);
        if (m_w.m_link.LoggedOn())
            m_release();
        m_w.HoldFileCommands(false);
        m_w.m_unitBusy = false;
    }
    UnitOperation(const UnitOperation &) = delete;
    UnitOperation &operator=(const UnitOperation &) = delete;

    bool Ask(const UnitQuestion &q) override
    {
        m_look.reset();
        const bool yes = answer(q);
        if (m_w.m_link.LoggedOn())
            showLook();
        return yes;
    }
    void Tell(const UnitNotice &notice) override
    {
        switch (notice.kind) {
        case UnitNotice::Kind::BackupSaved:
            m_w.ShowStatus(0, QStringLiteral("Backed up to %1").arg(shownPath(notice.text)));
            m_w.m_panels[0]->setToolTip(QStringLiteral("Last automatic backup: %1").arg(shownPath(notice.text)));
            break;
        case UnitNotice::Kind::NotBackedUp:
            m_w.ShowStatus(0, QStringLiteral("Not backed up"));
            break;
        case UnitNotice::Kind::Note:           // listed with the changes
        case UnitNotice::Kind::NoBackupWanted: // never asked for by the window
            break;
        }
    }
    void Progress(const StepProgress &p) override
    {
        m_w.ShowStatus(0, p.step);
        m_w.m_transfer->setStep(p.step);
        m_w.m_transfer->setProgress(p.done, p.total);
    }
    bool CancelRequested() override { return m_w.m_transfer->cancelRequested(); }

private:
    void showLook()
    {
        m_look.emplace(m_w.m_link, QStringLiteral("whole unit"), kHeldTransfer);
    }

    bool answer(const UnitQuestion &q)
    {
        switch (q.kind) {
        case UnitQuestion::Kind::Restore: {
            UnitChangesDialog dialog(QStringLiteral("Restore unit"),
                                     QStringLiteral("Restoring %1 makes these changes to the unit. Restore it?").arg(q.subject),
                                     changeLines(q.changes, q.notes), UnitChangesDialog::Offer::Restore, &m_w);
            return m_w.m_seam->execDialog(dialog) == QDialog::Accepted;
        }
        case UnitQuestion::Kind::WriteChanges: {
            UnitDiff diff = q.changes;
            diff.pcSide = QStringLiteral("PC");
            UnitChangesDialog dialog(QStringLiteral("Compare with unit"),
                                     QStringLiteral("What writing the phone list on the PC would change in the unit:"),
                                     DiffLines(diff), UnitChangesDialog::Offer::WriteChanges, &m_w);
            return m_w.m_seam->execDialog(dialog) == QDialog::Accepted && m_w.m_link.LoggedOn()
                && m_w.AskQuestion(QStringLiteral("Write the changes to the unit?") + CRLF
                                   + QStringLiteral("%1 records are written to it and %2 erased from it.")
                                         .arg(q.toWrite)
                                         .arg(q.toErase));
        }
        case UnitQuestion::Kind::WithoutBackup:
            return m_w.AskQuestion(QStringLiteral("The unit could not be backed up before writing %1 (%2).")
                                       .arg(q.subject, q.reason)
                                   + CRLF + QStringLiteral("Write anyway?"));
        }
        return false;
    }

    TporvForm &m_w;
    std::function<void()> m_release;
    bool m_pagesEnabled = true;
    std::optional<porv::UnitOperation> m_look;
};

UnitIdentity TporvForm::ConnectedUnit() const
{
    return m_connection->Unit();
}

void TporvForm::setUnitCommandsEnabled(bool enabled)
{
    for (QAction *a : {m_backUpUnit, m_restoreUnit, m_compareUnit})
        a->setEnabled(enabled);
}

// Logged on, and nothing else talks to the unit: no page transfer (its
// transfer window, hourglass or File command hold), no tag capture, no other
// whole-unit operation.
bool TporvForm::unitOperationMayStart()
{
    const bool idle = m_link.LoggedOn() && !m_unitBusy && m_fileHolds == 0 && !m_busyCursor
        && !m_transfer->isVisible() && !m_timer3->isActive();
    if (!idle)
        Beep();
    return idle;
}

const ParameterFields *TporvForm::parameterFields() const
{
    for (int i = 0; i < pageCount(); ++i)
        if (const ParameterFields *fields = ParameterFieldsOf(hostedPage(i)))
            return fields;
    return nullptr;
}

DirectoryAccess *TporvForm::phoneList() const
{
    for (int i = 0; i < pageCount(); ++i)
        if (DirectoryAccess *directory = PhoneListOf(hostedPage(i)))
            return directory;
    return nullptr;
}

// --- the automatic backup ------------------------------------------------------------

bool TporvForm::BeforeOverwrite(const QString &what)
{
    if (!m_link.LoggedOn())
        return true;
    // No page writes inside a whole-unit operation.
    if (m_unitBusy) {
        Beep();
        return false;
    }
    UnitOperation operation(*this);
    ShowStatus(0, QStringLiteral("Backing up the unit first"));
    return BackUpBeforeWrite(m_link, ConnectedUnit(), operation, what);
}

// --- File -> Back up unit… -----------------------------------------------------------------

void TporvForm::BackUpUnitClick()
{
    if (!unitOperationMayStart())
        return;
    const UnitIdentity unit = ConnectedUnit();
    BackupReport read;
    {
        UnitOperation operation(*this);
        read = BackUpUnit(m_link, unit, operation);
    }
    if (!read.ok()) {
        ShowStatus(0, QStringLiteral("Not backed up"));
        ShowMessage(QStringLiteral("The unit could not be backed up.") + CRLF + stepAndWhy(read.step, read.problem)
                    + CRLF + QStringLiteral("Nothing was saved."));
        return;
    }
    const QString path = AskSaveFileName(backupFileRequest(AutomaticBackupName(unit, read.backup->taken)));
    if (path.isEmpty()) {
        ShowStatus(0, QStringLiteral("Backup not saved"));
        return;
    }
    SaveBackupFile(*read.backup, path);
    BackupTaken(*read.backup);
    ShowStatus(0, QStringLiteral("Unit backed up to %1").arg(shownPath(path)));
}

// --- File -> Restore unit… ------------------------------------------------------------------

// The file is read and checked against the connected unit before the unit is
// read at all: a file that cannot go on it writes nothing and costs no read.
// Then the unit is read (the changes are shown from that read, the restore
// compares it block for block, and on Yes it is kept as the automatic
// backup), the changes, the question, the restore.
void TporvForm::RestoreUnitClick()
{
    if (!unitOperationMayStart())
        return;
    const QString path = AskOpenFileName(backupFileRequest());
    if (path.isEmpty())
        return;
    restoreBackupFile(path);
}

void TporvForm::restoreBackupFile(const QString &path)
{
    const QString name = fileNameOf(path);
    const QString nothing = QStringLiteral("Nothing was written to the unit.");
    UnitWriteReport report;
    {
        UnitOperation operation(*this);
        report = RestoreBackupFile(m_link, ConnectedUnit(), operation, path);
    }
    using Outcome = UnitWriteReport::Outcome;
    switch (report.outcome) {
    case Outcome::Failed:
        if (report.failure == WorkflowFailure::File) {
            ShowMessage(report.problem + CRLF + nothing);
        } else if (report.failure == WorkflowFailure::Refused) {
            ShowMessage(QStringLiteral("%1 cannot be restored to this unit:").arg(name) + CRLF + report.problem + CRLF
                        + nothing);
        } else {
            ShowStatus(0, QStringLiteral("Not restored"));
            ShowMessage(QStringLiteral("The unit could not be read, so what restoring %1 would change is not known.").arg(name)
                        + CRLF + stepAndWhy(report.step, report.problem) + CRLF + nothing);
        }
        return;
    case Outcome::NothingToWrite:
        ShowStatus(0, QStringLiteral("Not restored"));
        if (report.changes.Same()) {
            ShowMessage(QStringLiteral("The unit already holds what %1 holds.").arg(name) + CRLF + nothing);
        } else {
            UnitChangesDialog dialog(QStringLiteral("Restore unit"),
                                     QStringLiteral("The unit already holds all that %1 can put on it: nothing was "
                                                    "written. What it cannot hold as %1 gives it:")
                                         .arg(name),
                                     changeLines(report.changes, report.notes), UnitChangesDialog::Offer::Close, this);
            m_seam->execDialog(dialog);
        }
        return;
    case Outcome::Declined:
        ShowStatus(0, QStringLiteral("Not restored"));
        return;
    case Outcome::Ran:
        break;
    }
    // The phone list on the PC no longer mirrors the unit; no page reloads by itself.
    if (DirectoryAccess *directory = phoneList())
        directory->SetDirectorySynced(false);
    if (!report.ok()) {
        ShowStatus(0, report.cancelled() ? QStringLiteral("Restore cancelled") : QStringLiteral("Restore not finished"));
        ShowMessage(QStringLiteral("The restore of %1 did not finish:").arg(name) + CRLF
                    + report.restore->Problems(kNamedInAMessage).join(CRLF));
        return;
    }
    ShowStatus(0, QStringLiteral("The unit now holds the backup %1").arg(name));
    ShowMessage(QStringLiteral("The unit now holds the backup %1.").arg(name) + CRLF
                + QStringLiteral("The pages still show what they held before: read them from the unit to see it."));
}

// --- File -> Compare with unit… -------------------------------------------------------------

void TporvForm::CompareUnitClick()
{
    if (!unitOperationMayStart())
        return;
    DirectoryAccess *directory = phoneList();
    const ParameterFields *parameters = parameterFields();
    CompareWithDialog choice(directory != nullptr, parameters != nullptr, this);
    const int chosen = m_seam->execDialog(choice);
    if (chosen == CompareWithDialog::PhoneList && directory)
        compareWithPhoneList(*directory);
    else if (chosen == CompareWithDialog::Parameters && parameters)
        compareWithParameters(*parameters);
    else if (chosen == CompareWithDialog::BackupFile)
        compareWithBackupFile();
}

// The parameters page's fields against a fresh read of the unit's parameter
// blocks: what its Write All would change, each field with both values.
void TporvForm::compareWithParameters(const ParameterFields &fields)
{
    CompareReport report;
    {
        UnitOperation operation(*this);
        report = CompareWithParameterFields(m_link, ConnectedUnit(), operation, fields);
    }
    if (!report.ok()) {
        ShowMessage(QStringLiteral("The unit's parameters could not be read (%1).").arg(report.problem));
        return;
    }
    UnitChangesDialog dialog(QStringLiteral("Compare with unit"),
                             QStringLiteral("What writing the parameters on the PC would change in the unit:"),
                             DiffLines(report.diff), UnitChangesDialog::Offer::Close, this);
    m_seam->execDialog(dialog);
}

// The phone list on the PC against the unit, read once (that read is also
// the automatic backup); Write changes sends only the records that differ.
void TporvForm::compareWithPhoneList(DirectoryAccess &directory)
{
    UnitWriteReport report;
    {
        UnitOperation operation(*this);
        report = WritePhoneListChanges(m_link, ConnectedUnit(), operation, directory);
    }
    using Outcome = UnitWriteReport::Outcome;
    if (report.outcome == Outcome::Failed) {
        ShowMessage(QStringLiteral("The unit's phone list could not be read (%1).").arg(stepAndWhy(report.step, report.problem)));
        return;
    }
    if (report.outcome == Outcome::NothingToWrite) {
        report.changes.pcSide = QStringLiteral("PC");
        UnitChangesDialog dialog(QStringLiteral("Compare with unit"),
                                 QStringLiteral("What writing the phone list on the PC would change in the unit:"),
                                 DiffLines(report.changes), UnitChangesDialog::Offer::Close, this);
        m_seam->execDialog(dialog);
        return;
    }
    if (report.outcome == Outcome::Declined)
        return;
    const DirectoryWriteReport &written = *report.directory;
    QStringList lines;
    if (!written.notWritten.isEmpty()) {
        lines << QStringLiteral("Nothing was written: %1").arg(written.notWritten) << written.refused;
    } else {
        lines << QStringLiteral("%1 records written, %2 erased.").arg(written.written).arg(written.erased);
        if (!written.addressed.isEmpty())
            lines << QStringLiteral("Given addresses: %1").arg(written.addressed.join(QStringLiteral(", ")));
        if (!written.refused.isEmpty())
            lines << QStringLiteral("Not written, since the unit cannot hold them: %1")
                         .arg(NamedItems(written.refused, kNamedInAMessage));
        if (!written.failed.isEmpty())
            lines << QStringLiteral("Not confirmed by the unit: %1").arg(NamedItems(written.failed, kNamedInAMessage));
        if (written.stopped || written.silent || written.cancelled) {
            lines << (written.silent    ? QStringLiteral("The unit stopped answering: the rest was not sent.")
                      : written.stopped ? QStringLiteral("The link closed before the end.")
                                        : QStringLiteral("Cancelled: the rest was not sent."));
            lines << QStringLiteral("Not written: %1").arg(NamedItems(written.left, kNamedInAMessage));
        }
    }
    ShowStatus(0, written.ok() ? QStringLiteral("Changes written") : QStringLiteral("Changes not all written"));
    ShowMessage(lines.join(CRLF));
}

// A backup file against a fresh read of the unit: what restoring it would change.
void TporvForm::compareWithBackupFile()
{
    const QString path = AskOpenFileName(backupFileRequest());
    if (path.isEmpty())
        return;
    CompareReport report;
    {
        UnitOperation operation(*this);
        report = CompareWithBackupFile(m_link, ConnectedUnit(), operation, path);
    }
    if (report.failure == WorkflowFailure::File) {
        ShowMessage(report.problem);
        return;
    }
    if (!report.ok()) {
        ShowMessage(QStringLiteral("The unit could not be read.") + CRLF + stepAndWhy(report.step, report.problem));
        return;
    }
    UnitChangesDialog dialog(QStringLiteral("Compare with unit"),
                             QStringLiteral("What restoring %1 would change in the unit:").arg(fileNameOf(path)),
                             DiffLines(report.diff), UnitChangesDialog::Offer::Close, this);
    m_seam->execDialog(dialog);
}

} // namespace porv
