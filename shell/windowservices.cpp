// The main window's status panels, the services it gives its pages and the
// receive view.
#include "mainwindow.h"
#include "shellpage.h"

#include <QAction>
#include <QActionGroup>
#include <algorithm>
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include "dialogseam.h"
#include "savefile.h"
#include "images.h"
#include "session.h"
#include "transferform.h"

namespace porv {

namespace {

// What RxMemo shows of received text: the lines without their CRs.
QString viewText(const QByteArray &text)
{
    QByteArray shown = text;
    shown.replace('\r', QByteArray());
    return QString::fromLatin1(shown);
}

} // namespace

// --- status bar and services ---------------------------------------------------

QString TporvForm::statusText(int panel) const
{
    if (panel == 0)
        return m_panel0;
    return panel == 1 ? m_panels[1]->text() : QString();
}

void TporvForm::ShowStatus(int panel, const QString &text)
{
    if (panel == 0) {
        m_panel0 = text;
        showInPanel0(text);
    } else if (panel == 1) {
        m_panels[1]->setText(text);
    }
}

void TporvForm::showInPanel0(const QString &text)
{
    // A text longer than the panel (a file's path) loses its middle, not its
    // end; the whole of it is the panel's hint.
    QLabel *panel = m_panels[0];
    const int room = panel->contentsRect().width() - 2 * panel->margin() - panel->indent() - 1;
    const QString shown = panel->fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(room, 0));
    panel->setText(shown);
    panel->setToolTip(shown == text ? QString() : text);
}

bool TporvForm::event(QEvent *e)
{
    // Long hints show in panel 0 while the mouse is over their control; the
    // operation's text comes back when it leaves.
    if (e->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent *>(e)->tip();
        showInPanel0(tip.isEmpty() ? m_panel0 : tip);
        return true;
    }
    return QMainWindow::event(e);
}

void TporvForm::ShowMessage(const QString &text) { m_seam->showMessage(this, text); }
bool TporvForm::AskQuestion(const QString &text) { return m_seam->askQuestion(this, text); }
QString TporvForm::AskOpenFileName(const FileDialogRequest &r) { return m_seam->askOpenFileName(this, r); }
QString TporvForm::AskSaveFileName(const FileDialogRequest &r) { return m_seam->askSaveFileName(this, r); }

void TporvForm::ShowTransfer()
{
    m_transfer->show();
    m_transfer->raise();
}

void TporvForm::HideTransfer() { m_transfer->hide(); }

// The first page that shows the room's events comes to the front through its
// page command, as its tool button would bring it.
void TporvForm::ShowHistory(const QByteArray &room, bool tagEvents)
{
    for (int i = 0; i < pageCount(); ++i) {
        if (ShellPage *p = hostedPage(i); p && p->ShowHistory(room, tagEvents)) {
            RunPageCommand(i);
            return;
        }
    }
}

void TporvForm::setBusyCursor(bool busy)
{
    if (busy == m_busyCursor)
        return;
    m_busyCursor = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TporvForm::SetLedImage(int image)
{
    m_ledImage = image;
    m_led->setIcon(QIcon(m_images->image(image)));
}

void TporvForm::AllowDirectorySave()
{
    m_fileSave->setEnabled(true);
    m_saveAs->setEnabled(true);
    SaveAllowed = true;
    SaveAsAllowed = true;
}

void TporvForm::SetSaveAsEnabled(bool enabled) { m_saveAs->setEnabled(enabled); }
void TporvForm::Beep() { QApplication::beep(); }

void TporvForm::DisableFileCommands()
{
    m_fileNew->setEnabled(false);
    m_fileOpen->setEnabled(false);
    m_fileSave->setEnabled(false);
    m_saveAs->setEnabled(false);
    setEditEnabled(false);
}

void TporvForm::HoldFileCommands(bool hold)
{
    m_fileHolds = std::max(0, m_fileHolds + (hold ? 1 : -1));
    m_fileCommands->setEnabled(m_fileHolds == 0);
    m_unitCommands->setEnabled(m_fileHolds == 0);
}

void TporvForm::SetEventsLoaded(bool loaded) { EventsLoaded = loaded; }
QTimer *TporvForm::CaptureTimer() { return m_timer3; }

// --- the link trace ------------------------------------------------------------------

namespace {

// What a saved link trace holds, in its save dialog's title and its first line.
const char *const kTraceHolds = "the clients' names, rooms and phone numbers are in it; the PINs, "
                                "the gate codes and the release codes are hidden";

} // namespace

void TporvForm::SaveLinkTraceClick()
{
    // Support needs the names and numbers; the dialog says so before anything is saved.
    const QString path = AskSaveFileName({QStringLiteral("txt"), QStringLiteral("Text (*.txt)|*.txt|All Files (*.*)|*.*"),
                                          QStringLiteral("porv-pro-link-trace.txt"),
                                          QStringLiteral("Save link trace: ") + QLatin1String(kTraceHolds),
                                          FileDialogRequest::Start::Documents});
    if (path.isEmpty())
        return;
    const QByteArray header = "porv-pro " PORV_VERSION " link trace, saved "
        + QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1()
        + ". '>' went to the unit, '<' came from it; " + kTraceHolds + ".\n";
    // It names the unit's clients: kept for the user alone.
    SaveFileWhole(path, header + m_link.Trace().Text(), {true, QString()});
}

// --- receive view ------------------------------------------------------------------

void TporvForm::appendReceived(const QByteArray &text)
{
    const QString shown = viewText(text);
    if (shown.isEmpty())
        return;
    QScrollBar *bar = m_rxMemo->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(m_rxMemo->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
    if (atEnd)
        bar->setValue(bar->maximum());
}

void TporvForm::resetReceived(const QByteArray &text)
{
    m_rxMemo->setPlainText(viewText(text));
    m_rxMemo->verticalScrollBar()->setValue(m_rxMemo->verticalScrollBar()->maximum());
}

} // namespace porv
