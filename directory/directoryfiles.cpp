// The PhoneDataBase page's File commands (New, Open, Save, Save As on the
// phone list file) and its transfer buttons (GetData, WriteData): the
// directory core does the work, the page words what it reports.
#include "directorypage.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>

#include "directorymessages.h"
#include "directorytransfer.h"
#include "link.h"
#include "shellservices.h"

namespace porv {

namespace {

QString phoneListFilter() { return QStringLiteral("Portavel (*.csv)|*.csv|All Files (*.*)|*.*"); }

} // namespace

// --- ShellPage ------------------------------------------------------------------------

void DirectoryPage::FileNew()
{
    DefineDirectoryTable(m_table);
    m_table.Open();
    m_table.EmptyTable();
    QString dir = QDir::toNativeSeparators(QDir::currentPath());
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    m_files->setText(dir + QStringLiteral("PorvPhList.csv"));
    SetDirectorySynced(false);
    LayoutDirectoryGrid();
}

void DirectoryPage::LogOnStarting() { SetDirectorySynced(false); }

void DirectoryPage::SetLoggedOn(bool loggedOn)
{
    if (!loggedOn)
        SetDirectorySynced(false);
}

void DirectoryPage::FileOpen()
{
    // A download or tag transfer is filling the table.
    if (m_state.DirectoryBusy)
        return;
    const QString path = m_shell.AskOpenFileName({QStringLiteral("csv"), phoneListFilter(), QString()});
    if (path.isEmpty())
        return;
    loadPhoneList(path);
}

void DirectoryPage::loadPhoneList(const QString &path)
{
    m_state.ShowRecordEnabled = false;
    m_state.DirectoryBusy = true;
    const QString previousFile = m_files->text();
    m_files->setText(path);
    // A load that fails still leaves the page working: the table holds what
    // was read, the boxes follow it again and no command stays blocked. The
    // next Save goes to the file it went to before, not to the one that
    // could not be read.
    bool done = false;
    const auto restore = qScopeGuard([this, &done, previousFile] {
        if (done)
            return;
        m_files->setText(previousFile);
        m_state.DirectoryBusy = false;
        m_state.ShowRecordEnabled = true;
        SetDirectorySynced(false);
        LayoutDirectoryGrid();
        m_table.First();
    });
    LoadPhoneList(m_table, m_files->text());
    m_table.First();
    m_table.SetPosition(1);
    LayoutDirectoryGrid();
    m_state.DirectoryBusy = false;
    m_state.ShowRecordEnabled = true;
    SetDirectorySynced(false);
    done = true;
    m_shell.AllowDirectorySave();
    emit phoneListOpened();
    m_table.First();
    m_grid->viewport()->update();
}

void DirectoryPage::FileSave() { SavePhoneList(m_table, m_files->text(), m_shell); }

void DirectoryPage::FileSaveAs()
{
    const QString path =
        m_shell.AskSaveFileName({QStringLiteral("csv"), phoneListFilter(), QStringLiteral("PorvPhList.csv")});
    if (path.isEmpty())
        return;
    const QString previousFile = m_files->text();
    m_files->setText(path);
    if (!SavePhoneList(m_table, path, m_shell))
        m_files->setText(previousFile);
}

// --- transfers ---------------------------------------------------------------------------

void DirectoryPage::GetDataClick()
{
    for (const QString &message : DownloadMessages(DownloadDirectory(m_link, m_shell, Access())))
        m_shell.ShowMessage(message);
}

void DirectoryPage::WriteDataClick()
{
    for (const QString &message : UploadMessages(UploadDirectory(m_link, m_shell, Access())))
        m_shell.ShowMessage(message);
}

void DirectoryPage::holdTransferButtons()
{
    m_heldGetData = m_getData->isEnabled();
    m_heldWriteData = m_writeData->isEnabled();
    m_getData->setEnabled(false);
    m_writeData->setEnabled(false);
}

void DirectoryPage::releaseTransferButtons()
{
    // A Log Off during the transfer has disabled them for good.
    m_getData->setEnabled(m_heldGetData && m_link.LoggedOn());
    m_writeData->setEnabled(m_heldWriteData && m_link.LoggedOn());
}

} // namespace porv
