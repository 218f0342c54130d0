// The main window's log-on and log-off, and what it shows of its connection:
// the lamp, its blink, the transfer window and the busy cursor follow the
// connection's signals.
#include "mainwindow.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "delay.h"
#include "dialogseam.h"
#include "enterpin.h"
#include "images.h"
#include "logon.h"
#include "session.h"
#include "shellpage.h"
#include "transferform.h"

namespace porv {

void TporvForm::Timer1Timer()
{
    SetLedImage(m_ledImage == ImageList::LampOffLine ? ImageList::LampOnLine : ImageList::LampOffLine);
}

void TporvForm::Timer4Timer()
{
    // Each poll of the network link restarts the blink's interval: over the
    // network link the lamp keeps still.
    if (m_session->NetworkOpen() && m_timer1->isActive())
        startScaled(m_timer1);
}

void TporvForm::followConnection()
{
    connect(m_connection, &UnitConnection::userMessage, this, &TporvForm::ShowMessage);
    connect(m_connection, &UnitConnection::loggedOn, this, &TporvForm::showLoggedOn);
    connect(m_connection, &UnitConnection::loggingOff, this, [this] {
        SetLedImage(ImageList::LampLoggingOff);
        HideTransfer();
    });
    connect(m_connection, &UnitConnection::loggedOff, this, &TporvForm::showLoggedOff);
    connect(m_connection, &UnitConnection::operationStarted, this, &TporvForm::followOperations);
    connect(m_connection, &UnitConnection::operationFinished, this, &TporvForm::followOperations);
    connect(m_connection, &UnitConnection::progress, this,
            [this](int done, int total) { m_transfer->setProgress(done, total); });
}

// The transfer window while a running operation shows its transfer, the
// hourglass while one makes the person wait, the blinking lamp while a reply
// comes in bulk; when the last bulk reply ends, the lamp on line, unless a
// Log Off came meanwhile.
void TporvForm::followOperations()
{
    const OperationTraits traits = m_connection->Traits();
    if ((traits & TransferShown) && !m_transfer->isVisible())
        ShowTransfer();
    else if (!(traits & TransferShown) && m_transfer->isVisible())
        HideTransfer();
    setBusyCursor(traits & PersonWaits);
    const bool bulk = traits & BulkReply;
    if (bulk && !m_bulkShown)
        startScaled(m_timer1);
    if (!bulk && m_bulkShown) {
        m_timer1->stop();
        if (m_link.LoggedOn())
            SetLedImage(ImageList::LampOnLine);
    }
    m_bulkShown = bulk;
}

// --- log-on and log-off ------------------------------------------------------------------

QStringList TporvForm::LoggedOnControlNames() const
{
    QStringList names;
    for (const Page &p : m_pages)
        names += p.descriptor.loggedOnControls;
    return names;
}

QStringList TporvForm::TransferButtonNames() const
{
    QStringList names;
    for (const Page &p : m_pages)
        names += p.descriptor.transferButtons;
    return names;
}

namespace {

// A control the pages name: a widget, a page of a tab control (enabled
// through its tab) or an action, anywhere under the page control.
struct NamedControl {
    QPointer<QWidget> widget;
    QPointer<QTabWidget> tabs; // the widget is one of its pages
    QPointer<QAction> action;

    bool enabled() const
    {
        if (action)
            return action->isEnabled();
        if (tabs && widget && tabs->indexOf(widget) >= 0)
            return tabs->isTabEnabled(tabs->indexOf(widget));
        // Its own setting, not what a disabled parent makes of it.
        return widget && !widget->testAttribute(Qt::WA_ForceDisabled);
    }
    void setEnabled(bool enabled) const
    {
        if (action)
            action->setEnabled(enabled);
        else if (tabs && widget && tabs->indexOf(widget) >= 0)
            tabs->setTabEnabled(tabs->indexOf(widget), enabled);
        else if (widget)
            widget->setEnabled(enabled);
    }
};

QList<NamedControl> namedControls(QTabWidget *page, const QStringList &names)
{
    QList<NamedControl> controls;
    for (const QString &name : names) {
        for (QWidget *w : page->findChildren<QWidget *>(name)) {
            auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget());
            auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
            controls.append({w, tabs && tabs->indexOf(w) >= 0 ? tabs : nullptr, nullptr});
        }
        for (QAction *a : page->findChildren<QAction *>(name))
            controls.append({nullptr, nullptr, a});
    }
    return controls;
}

} // namespace

void TporvForm::setNamedControlsEnabled(const QStringList &names, bool enabled)
{
    for (const NamedControl &c : namedControls(m_page, names))
        c.setEnabled(enabled);
}

std::function<void()> TporvForm::holdNamedControls(const QStringList &names)
{
    QList<std::pair<NamedControl, bool>> held;
    for (const NamedControl &c : namedControls(m_page, names)) {
        held.append({c, c.enabled()});
        c.setEnabled(false);
    }
    return [held] {
        for (const auto &[control, enabled] : held)
            control.setEnabled(enabled);
    };
}

void TporvForm::setLedMarked(bool marked)
{
    m_ledMarked = marked;
    m_led->setChecked(marked);
}

void TporvForm::setAnimation(bool running, const QString &hint)
{
    m_animate->setToolTip(hint);
    if (running) {
        m_animTimer->start();
    } else {
        m_animTimer->stop();
        m_frame = 0;
        m_animate->setPixmap(m_frames.value(0));
    }
}

void TporvForm::SetLoggedOffState() { m_connection->Close(LogOffReason::User); }

// The link is closed: the window off line, and why when it was not the user.
void TporvForm::showLoggedOff(LogOffReason reason, const QString &text)
{
    // No transfer outlives the link; its "Done" comes before "Off line".
    HideTransfer();
    m_onLine->setText(QStringLiteral("Log On"));
    m_onLine->setToolTip(QStringLiteral("Log On"));
    m_onLine->setStatusTip(QStringLiteral("Log On"));
    m_led->setToolTip(QStringLiteral("Log On"));
    setLedMarked(false);
    setNamedControlsEnabled(TransferButtonNames(), false);
    m_timer1->stop();
    m_bulkShown = false;
    setAnimation(false, QStringLiteral("OFF Line"));
    SetLedImage(ImageList::LampOffLine);
    setNamedControlsEnabled(LoggedOnControlNames(), false);
    setUnitCommandsEnabled(false);
    // Whatever panel 0 said of the link ("Connected") no longer holds.
    ShowStatus(0, reason == LogOffReason::KeepAliveFailed ? QStringLiteral("Off line: the unit stopped answering")
                                                          : QStringLiteral("Off line"));
    // DirectorySynced and WrtChg, and whatever else a page keeps.
    for (int i = 0; i < pageCount(); ++i)
        if (ShellPage *p = hostedPage(i))
            p->SetLoggedOn(false);
    if (reason != LogOffReason::User)
        EnablePortSelection();
    if (reason == LogOffReason::LinkLost && !text.isEmpty())
        ShowMessage(text);
}

void TporvForm::SetLoggedOnControls()
{
    setNamedControlsEnabled(LoggedOnControlNames(), true);
    setUnitCommandsEnabled(true);
    for (int i = 0; i < pageCount(); ++i)
        if (ShellPage *p = hostedPage(i))
            p->SetLoggedOn(true);
}

void TporvForm::EnablePortSelection()
{
    setPortSelectionEnabled(true);
    m_led->setEnabled(true);
    m_led->setToolTip(QStringLiteral("Log On"));
    setConnectEnabled(true);
}

void TporvForm::OnLine1Click()
{
    if (m_link.LoggedOn() || m_ledMarked) {
        m_connection->LogOff(LogOffReason::User);
        EnablePortSelection();
        return;
    }
    setLedMarked(true);
    m_session->LogOnAbort = false;
    // A log-on that did not end connected (a Log Off, File New or a lost
    // link during it included) ends off line.
    if (!logOnSteps())
        m_session->LogOnAbort = true;
    if (m_session->LogOnAbort) {
        SetLoggedOffState();
        HideTransfer();
        EnablePortSelection();
    }
}

// The log-on dialog, then the log-on itself (RunLogOn); the window shows its
// progress and its outcome.
bool TporvForm::logOnSteps()
{
    Session &s = *m_session;
    // The log-on dialog: PIN, Remote, number, address.
    m_enterPin->setConnection(s.NetworkSelected, s.SerialPortName(), s.DetailsFileName);
    if (m_seam->execDialog(*m_enterPin) != QDialog::Accepted)
        return false;
    const LogOnDetails details{m_enterPin->pin(), m_enterPin->remote(), m_enterPin->number(), m_enterPin->address()};
    prepareLogOn();
    LogOnProgress progress;
    progress.status = [this](const QString &text) { ShowStatus(0, text); };
    progress.modelRecognised = [this](const UnitModel &model) { setWindowTitle(QString::fromLatin1(model.title)); };
    // Connected, the connection's loggedOn shows it (showLoggedOn).
    const LogOnResult result = m_connection->LogOn(details, progress);
    if (!result.connected()) {
        const QString message = result.message();
        if (!message.isEmpty())
            ShowMessage(message);
        return false;
    }
    return true;
}

// The pages forget that the directory mirrors the unit (DirectorySynced,
// WrtChg) until a download shows it again. The menu item now offers Log Off,
// which aborts the log-on; no keep-alive runs meanwhile. The Ports menu is
// locked while the log-on runs; the lamp and the Connect menu stay enabled, so
// that the user can abort it.
void TporvForm::prepareLogOn()
{
    for (int i = 0; i < pageCount(); ++i)
        if (ShellPage *p = hostedPage(i))
            p->LogOnStarting();
    m_onLine->setText(QStringLiteral("Log Off"));
    setPortSelectionEnabled(false);
    m_led->setEnabled(true);
    m_led->setToolTip(QStringLiteral("Log On"));
    setConnectEnabled(true);
}

// Logged on: the transfer and logged-on controls, the lamp and the animation
// (the connection has started the keep-alive).
void TporvForm::showLoggedOn()
{
    setNamedControlsEnabled(TransferButtonNames(), true);
    SetLedImage(ImageList::LampOnLine);
    m_led->setToolTip(QStringLiteral("Log Off"));
    ShowStatus(0, QStringLiteral("Connected"));
    setAnimation(true, QStringLiteral("On Line"));
    setLedMarked(false);
    SetLoggedOnControls();
}

} // namespace porv
