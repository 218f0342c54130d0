// The main window's whole-unit commands: File -> Back up unit…, Restore
// unit…, Compare with unit… (the phone list on the PC, with Write changes, or
// a backup file), and the automatic backup a page's Write All asks for
// (ShellServices::BeforeOverwrite). The work is the backup library's; here
// are the questions, the one progress display and the busy state.
#include "mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>
#include <QTimer>

#include "backupstore.h"
#include "bulktransfer.h"
#include "dialogseam.h"
#include "directoryregistration.h"
#include "directorytransfer.h"
#include "parametersregistration.h"
#include "restore.h"
#include "session.h"
#include "stepshell.h"
#include "transferform.h"
#include "unitchanges.h"
#include "unitcompare.h"
#include "unitread.h"

namespace porv {

namespace {

const QString CRLF = QStringLiteral("\r\n");
// How many records or blocks a message box names before "and n more".
constexpr int kNamedInAMessage = 20;

QString shownPath(const QString &path) { return QDir::toNativeSeparators(path); }
QString fileNameOf(const QString &path) { return QFileInfo(path).fileName(); }

FileDialogRequest backupFileRequest(const QString &proposed = QString())
{
    return {BackupFileExtension(), BackupFileFilter(), proposed, {}, FileDialogRequest::Start::Documents};
}

} // namespace

// The window's services as the backup library sees them while one of its
// operations runs: the operation's look (the transfer window, hourglass,
// blinking lamp, no keep-alive) stays as the operation set it from its start
// to its end, whatever the cores inside do between their steps; everything
// else reaches the window.
class TporvForm::OperationShell : public ShellServices {
public:
    explicit OperationShell(TporvForm &window) : m_w(window) {}

    void ShowStatus(int panel, const QString &text) override { m_w.ShowStatus(panel, text); }
    void ShowMessage(const QString &text) override { m_w.ShowMessage(text); }
    bool AskQuestion(const QString &text) override { return m_w.AskQuestion(text); }
    QString AskOpenFileName(const FileDialogRequest &r) override { return m_w.AskOpenFileName(r); }
    QString AskSaveFileName(const FileDialogRequest &r) override { return m_w.AskSaveFileName(r); }
    void AllowDirectorySave() override {}
    void SetSaveAsEnabled(bool) override {}
    void Beep() override { m_w.Beep(); }
    void HoldFileCommands(bool hold) override { m_w.HoldFileCommands(hold); }

private:
    TporvForm &m_w;
};

// One whole-unit operation, from its first command to its last: one progress
// display (the transfer window with the step in status panel 0 and its count),
// the File commands and the whole-unit commands held, and every page control
// that talks to the unit disabled, so that no second transfer starts while the
// waits process clicks. Log Off stays: it ends the operation at its next wait.
// At the end the controls come back as they were, unless the link was logged
// off meanwhile.
class TporvForm::UnitOperation {
public:
    explicit UnitOperation(TporvForm &window)
        : m_w(window), m_shell(window), m_look(window.m_link, QStringLiteral("whole unit"), kHeldTransfer)
    {
        m_w.m_unitBusy = true;
        m_w.HoldFileCommands(true);
        m_release = m_w.holdNamedControls(m_w.LoggedOnControlNames() + m_w.TransferButtonNames());
        // The pages too: an edit committed meanwhile would write its record
        // through between the operation's own commands.
        m_pagesEnabled = m_w.m_page->isEnabled();
        m_w.m_page->setEnabled(false);
    }
    ~UnitOperation()
    {
        m_w.m_page->setEnabled(m_pagesEnabled);
        if (m_w.m_link.LoggedOn())
            m_release();
        m_w.HoldFileCommands(false);
        m_w.m_unitBusy = false;
    }
    UnitOperation(const UnitOperation &) = delete;
    UnitOperation &operator=(const UnitOperation &) = delete;

    ShellServices &shell() { return m_shell; }
    ProgressCallback progress()
    {
        return [this](const StepProgress &p) {
            m_w.ShowStatus(0, p.step);
            m_w.m_transfer->setProgress(p.done, p.total);
        };
    }

private:
    TporvForm &m_w;
    OperationShell m_shell;
    std::function<void()> m_release;
    bool m_pagesEnabled = true;
    porv::UnitOperation m_look;
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

// The unit's present content into the store of automatic backups; the status
// bar says where it went (its tool tip keeps the last one). When it cannot be
// taken the user decides whether the write goes on anyway.
AutomaticBackup TporvForm::takeAutomaticBackup(const QString &what, bool &goOn)
{
    AutomaticBackup backup;
    {
        UnitOperation operation(*this);
        ShowStatus(0, QStringLiteral("Backing up the unit first"));
        backup = TakeAutomaticBackup(m_link, operation.shell(), ConnectedUnit(), operation.progress());
    }
    goOn = automaticBackupKept(backup, what);
    return backup;
}

bool TporvForm::automaticBackupKept(const AutomaticBackup &backup, const QString &what)
{
    if (backup.taken()) {
        ShowStatus(0, QStringLiteral("Backed up to %1").arg(shownPath(backup.path)));
        m_panels[0]->setToolTip(QStringLiteral("Last automatic backup: %1").arg(shownPath(backup.path)));
        return true;
    }
    ShowStatus(0, QStringLiteral("Not backed up"));
    // A Log Off during the backup ends the write too.
    return m_link.LoggedOn()
        && AskQuestion(QStringLiteral("The unit could not be backed up before writing %1 (%2).").arg(what, backup.error)
                       + CRLF + QStringLiteral("Write anyway?"));
}

bool TporvForm::BeforeOverwrite(const QString &what)
{
    if (!m_link.LoggedOn())
        return true;
    // No page writes inside a whole-unit operation.
    if (m_unitBusy) {
        Beep();
        return false;
    }
    bool goOn = false;
    takeAutomaticBackup(what, goOn);
    return goOn;
}

// --- File -> Back up unit… -----------------------------------------------------------------

void TporvForm::BackUpUnitClick()
{
    if (!unitOperationMayStart())
        return;
    const UnitIdentity unit = ConnectedUnit();
    UnitReadResult read;
    {
        UnitOperation operation(*this);
        read = ReadWholeUnit(m_link, operation.shell(), unit, {}, operation.progress());
    }
    if (!read.ok()) {
        ShowStatus(0, QStringLiteral("Not backed up"));
        ShowMessage(QStringLiteral("The unit could not be backed up.") + CRLF + read.message() + CRLF
                    + QStringLiteral("Nothing was saved."));
        return;
    }
    const QString path = AskSaveFileName(backupFileRequest(AutomaticBackupName(unit, read.backup->taken)));
    if (path.isEmpty()) {
        ShowStatus(0, QStringLiteral("Backup not saved"));
        return;
    }
    SaveBackupFile(*read.backup, path);
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
    const BackupReadResult file = LoadBackupFile(path);
    if (!file.ok()) {
        ShowMessage(file.error + CRLF + QStringLiteral("Nothing was written to the unit."));
        return;
    }
    const UnitIdentity unit = ConnectedUnit();
    const RestoreCheck check = CheckRestore(*file.backup, unit);
    if (!check.allowed()) {
        ShowMessage(QStringLiteral("%1 cannot be restored to this unit:").arg(fileNameOf(path)) + CRLF + check.refusal
                    + CRLF + QStringLiteral("Nothing was written to the unit."));
        return;
    }
    UnitReadResult read;
    {
        UnitOperation operation(*this);
        read = ReadWholeUnit(m_link, operation.shell(), unit, {false}, operation.progress());
    }
    if (!read.ok()) {
        ShowStatus(0, QStringLiteral("Not restored"));
        ShowMessage(QStringLiteral("The unit could not be read, so what restoring %1 would change is not known.")
                        .arg(fileNameOf(path))
                    + CRLF + read.message() + CRLF + QStringLiteral("Nothing was written to the unit."));
        return;
    }
    const UnitBackup &unitNow = *read.backup;
    const UnitDiff diff = CompareUnit(unitNow, *file.backup);
    QStringList lines = DiffLines(diff);
    for (const QString &note : check.notes)
        if (!diff.notes.contains(note))
            lines.append(QStringLiteral("Note: ") + note);
    if (PlanRestore(*file.backup, unitNow, unit).Empty()) {
        ShowStatus(0, QStringLiteral("Not restored"));
        if (diff.Same()) {
            ShowMessage(QStringLiteral("The unit already holds what %1 holds.").arg(fileNameOf(path)) + CRLF
                        + QStringLiteral("Nothing was written to the unit."));
        } else {
            UnitChangesDialog dialog(QStringLiteral("Restore unit"),
                                     QStringLiteral("The unit already holds all that %1 can put on it: nothing was "
                                                    "written. What it cannot hold as %1 gives it:")
                                         .arg(fileNameOf(path)),
                                     lines, UnitChangesDialog::Offer::Close, this);
            m_seam->execDialog(dialog);
        }
        return;
    }
    UnitChangesDialog dialog(QStringLiteral("Restore unit"),
                             QStringLiteral("Restoring %1 makes these changes to the unit. Restore it?").arg(fileNameOf(path)),
                             lines, UnitChangesDialog::Offer::Restore, this);
    if (m_seam->execDialog(dialog) != QDialog::Accepted || !m_link.LoggedOn()) {
        ShowStatus(0, QStringLiteral("Not restored"));
        return;
    }
    // Only now, after the Yes: the unit as it was goes into the store.
    if (!automaticBackupKept(SaveAutomaticBackup(unitNow, unit), QStringLiteral("the backup %1").arg(fileNameOf(path))))
        return;
    RestoreReport report;
    {
        UnitOperation operation(*this);
        report = RestoreUnit(m_link, operation.shell(), *file.backup, unit, unitNow, operation.progress());
    }
    // The phone list on the PC no longer mirrors the unit; no page reloads by itself.
    if (DirectoryAccess *directory = phoneList())
        directory->SetDirectorySynced(false);
    if (!report.ok()) {
        ShowStatus(0, QStringLiteral("Restore not finished"));
        ShowMessage(QStringLiteral("The restore of %1 did not finish:").arg(fileNameOf(path)) + CRLF
                    + report.Problems(kNamedInAMessage).join(CRLF));
        return;
    }
    ShowStatus(0, QStringLiteral("The unit now holds the backup %1").arg(fileNameOf(path)));
    ShowMessage(QStringLiteral("The unit now holds the backup %1.").arg(fileNameOf(path)) + CRLF
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
    UnitParametersRead read;
    {
        UnitOperation operation(*this);
        read = ReadUnitParameters(m_link, operation.shell(), operation.progress());
    }
    if (!read.blocks) {
        ShowMessage(QStringLiteral("The unit's parameters could not be read (%1).").arg(read.error));
        return;
    }
    UnitChangesDialog dialog(QStringLiteral("Compare with unit"),
                             QStringLiteral("What writing the parameters on the PC would change in the unit:"),
                             DiffLines(CompareParameterFields(*read.blocks, fields)), UnitChangesDialog::Offer::Close,
                             this);
    m_seam->execDialog(dialog);
}

// The phone list on the PC against a fresh dump of the unit's directory;
// Write changes sends only the records that differ.
void TporvForm::compareWithPhoneList(DirectoryAccess &directory)
{
    UnitDirectoryRead read;
    {
        UnitOperation operation(*this);
        read = ReadUnitDirectory(m_link, operation.shell(), operation.progress());
    }
    if (!read.complete) {
        ShowMessage(QStringLiteral("The unit's phone list could not be read (%1).").arg(read.error));
        return;
    }
    UnitBackup unitNow;
    unitNow.directory = read.records;
    UnitDiff diff = ComparePhoneList(directory.Table(), unitNow, m_session->MemoryLimit);
    diff.pcSide = QStringLiteral("PC");
    const DirectoryPlan plan =
        PlanDirectoryChanges(TargetRecordsOfTable(directory.Table()), read.records, m_session->MemoryLimit);
    const bool writable = !plan.writes.isEmpty() || !plan.erases.isEmpty() || !plan.needAddress.isEmpty();
    UnitChangesDialog dialog(QStringLiteral("Compare with unit"),
                             QStringLiteral("What writing the phone list on the PC would change in the unit:"),
                             DiffLines(diff),
                             writable ? UnitChangesDialog::Offer::WriteChanges : UnitChangesDialog::Offer::Close, this);
    if (m_seam->execDialog(dialog) == QDialog::Accepted && writable && m_link.LoggedOn())
        writePhoneListChanges(directory, diff);
}

void TporvForm::writePhoneListChanges(DirectoryAccess &directory, const UnitDiff &diff)
{
    if (!AskQuestion(QStringLiteral("Write the changes to the unit?") + CRLF
                     + QStringLiteral("%1 records are written to it and %2 erased from it.")
                           .arg(diff.RecordsAdded() + diff.RecordsChanged())
                           .arg(diff.RecordsRemoved())))
        return;
    bool goOn = false;
    const AutomaticBackup before = takeAutomaticBackup(QStringLiteral("the phone list's changes"), goOn);
    if (!goOn)
        return;
    DirectoryWriteReport report;
    {
        UnitOperation operation(*this);
        // The automatic backup's dump is the unit as it is now; without one
        // the directory is dumped again (an incomplete dump writes nothing).
        UnitDirectoryRead now;
        if (before.backup && before.backup->directory) {
            now.records = *before.backup->directory;
            now.complete = true;
        } else {
            now = ReadUnitDirectory(m_link, operation.shell(), operation.progress());
        }
        report = WriteDirectoryChanges(m_link, operation.shell(), directory, now.records, now.complete,
                                       operation.progress());
    }
    QStringList lines;
    if (!report.notWritten.isEmpty()) {
        lines << QStringLiteral("Nothing was written: %1").arg(report.notWritten) << report.refused;
    } else {
        lines << QStringLiteral("%1 records written, %2 erased.").arg(report.written).arg(report.erased);
        if (!report.addressed.isEmpty())
            lines << QStringLiteral("Given addresses: %1").arg(report.addressed.join(QStringLiteral(", ")));
        if (!report.refused.isEmpty())
            lines << QStringLiteral("Not written, since the unit cannot hold them: %1")
                         .arg(NamedItems(report.refused, kNamedInAMessage));
        if (!report.failed.isEmpty())
            lines << QStringLiteral("Not confirmed by the unit: %1").arg(NamedItems(report.failed, kNamedInAMessage));
        if (report.stopped || report.silent) {
            lines << (report.silent ? QStringLiteral("The unit stopped answering: the rest was not sent.")
                                    : QStringLiteral("The link closed before the end."));
            lines << QStringLiteral("Not written: %1").arg(NamedItems(report.left, kNamedInAMessage));
        }
    }
    ShowStatus(0, report.ok() ? QStringLiteral("Changes written") : QStringLiteral("Changes not all written"));
    ShowMessage(lines.join(CRLF));
}

// A backup file against a fresh read of the unit: what restoring it would change.
void TporvForm::compareWithBackupFile()
{
    const QString path = AskOpenFileName(backupFileRequest());
    if (path.isEmpty())
        return;
    const BackupReadResult file = LoadBackupFile(path);
    if (!file.ok()) {
        ShowMessage(file.error);
        return;
    }
    UnitReadResult read;
    {
        UnitOperation operation(*this);
        read = ReadWholeUnit(m_link, operation.shell(), ConnectedUnit(), {false}, operation.progress());
    }
    if (!read.ok()) {
        ShowMessage(QStringLiteral("The unit could not be read.") + CRLF + read.message());
        return;
    }
    UnitChangesDialog dialog(QStringLiteral("Compare with unit"),
                             QStringLiteral("What restoring %1 would change in the unit:").arg(fileNameOf(path)),
                             DiffLines(CompareUnit(*read.backup, *file.backup)), UnitChangesDialog::Offer::Close, this);
    m_seam->execDialog(dialog);
}

} // namespace porv
