#include "mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFontDatabase>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableView>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "aboutbox.h"
#include "application.h"
#include "delay.h"
#include "dialogseam.h"
#include "enterpin.h"
#include "images.h"
#include "logon.h"
#include "portlist.h"
#include "savefile.h"
#include "session.h"
#include "shellpage.h"
#include "transferform.h"

#include "hostedpages.h"

namespace porv {

namespace {

// The Log On lamp. Its accessible name follows its hint, so that a screen
// reader says what a press does.
class LampButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::ToolTipChange) {
            const QString hint = toolTip();
            setAccessibleName(hint == QLatin1String("Log Off") ? hint : QStringLiteral("Log On"));
            setAccessibleDescription(hint);
        }
        return QToolButton::event(e);
    }
};

const char *const TabNames[4] = {"phdir", "system", "Events", "RFid_SU"};
const char *const TabCaptions[4] = {"PhoneDataBase", "SystemControls", "Events", "RFid_SU"};

QAction *makeAction(QObject *parent, const char *name, const QString &text)
{
    auto *a = new QAction(text, parent);
    a->setObjectName(QLatin1String(name));
    return a;
}

// The platform's keys for a standard command, or the usual one where the
// platform has none.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey key, const QKeySequence &usual)
{
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    return keys.isEmpty() ? QList<QKeySequence>{usual} : keys;
}

QString shownCommand(const QByteArray &text)
{
    QByteArray shown = text;
    while (shown.endsWith('\r') || shown.endsWith('\n'))
        shown.chop(1);
    return QString::fromLatin1(shown);
}

// What RxMemo shows of received text: the lines without their CRs.
QString viewText(const QByteArray &text)
{
    QByteArray shown = text;
    shown.replace('\r', QByteArray());
    return QString::fromLatin1(shown);
}

} // namespace

TporvForm::TporvForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("porvForm"));
    setWindowTitle(QStringLiteral("loading..."));
    setWindowIcon(QIcon(ProgramIcon()));

    m_seam = new DialogSeam(this);
    m_seam->setObjectName(QStringLiteral("DialogSeam"));
    Application::SetFailureSink([this](const QString &message) { m_seam->showMessage(this, message); });
    m_images = new ImageList(this);
    m_images->setObjectName(QStringLiteral("ImageList1"));
    m_session = new Session(m_link, this);
    m_session->setObjectName(QStringLiteral("Session"));
    connect(m_session, &Session::userMessage, this, &TporvForm::ShowMessage);

    buildMenus();
    buildToolBar();
    buildPages();
    buildStatusBar();
    buildTimers();

    connect(&m_link, &Link::commandShown, this, [this](const QByteArray &text) { ShowStatus(1, shownCommand(text)); });
    connect(&m_link, &Link::receiveViewAppended, this, &TporvForm::appendReceived);
    connect(&m_link, &Link::receiveViewReset, this, &TporvForm::resetReceived);

    // Client area 789 x 546 below the menu bar, fixed, centred on the desktop.
    setFixedSize(789, 546 + menuBar()->sizeHint().height());
    setWindowFlags((windowFlags() & ~Qt::WindowMaximizeButtonHint) | Qt::MSWindowsFixedSizeDialogHint);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // The secondary windows, created hidden.
    m_about = new AboutBox(this);
    m_enterPin = new EnterPin(this);
    m_transfer = new TransferForm([this](const QString &text) { ShowStatus(0, text); }, this);

    hostAvailablePages();
    placeReceiveViewLast();
    nameToolkitButtons();
    FileNew1Execute();
    m_page->setCurrentIndex(PhoneDirectory);
}

TporvForm::~TporvForm()
{
    Application::SetFailureSink({});
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
    // Pages hold the link and the services: they go first.
    for (int i = 0; i < 4; ++i) {
        delete m_hosted[i];
        m_hostedCommands[i] = nullptr;
    }
    delete m_session;
    m_session = nullptr;
}

// --- construction -------------------------------------------------------------

void TporvForm::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    m_fileNew = makeAction(this, "FileNew1", QStringLiteral("&New"));
    m_fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_fileNew->setIcon(QIcon(m_images->image(6)));
    m_fileNew->setToolTip(QStringLiteral("New"));
    m_fileOpen = makeAction(this, "FileOpen1", QStringLiteral("&Open..."));
    m_fileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_fileOpen->setIcon(QIcon(m_images->image(7)));
    m_fileOpen->setToolTip(QStringLiteral("Open"));
    m_fileSave = makeAction(this, "FileSave1", QStringLiteral("&Save"));
    m_fileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_fileSave->setIcon(QIcon(m_images->image(8)));
    m_fileSave->setToolTip(QStringLiteral("Save"));
    m_fileSave->setEnabled(false);
    m_saveAs = makeAction(this, "SaveAs", QStringLiteral("Save &As..."));
    m_saveAs->setShortcuts(standardKeys(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    m_saveAs->setEnabled(false);
    m_fileExit = makeAction(this, "FileExit1", QStringLiteral("E&xit"));
    m_fileExit->setShortcuts(standardKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));
    // A disabled group keeps each action disabled while remembering what it
    // was set to, and gives that back when the group is enabled again.
    m_fileCommands = new QActionGroup(this);
    m_fileCommands->setObjectName(QStringLiteral("FileCommands"));
    m_fileCommands->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (QAction *a : {m_fileNew, m_fileOpen, m_fileSave, m_saveAs})
        m_fileCommands->addAction(a);
    file->addAction(m_fileNew);
    file->addAction(m_fileOpen);
    file->addAction(m_fileSave);
    file->addAction(m_saveAs);
    file->addSeparator();
    file->addAction(m_fileExit);
    connect(m_fileNew, &QAction::triggered, this, &TporvForm::FileNew1Execute);
    connect(m_fileOpen, &QAction::triggered, this, &TporvForm::FileOpen1Execute);
    connect(m_fileSave, &QAction::triggered, this, &TporvForm::FileSave1Execute);
    connect(m_saveAs, &QAction::triggered, this, &TporvForm::SaveAsClick);
    connect(m_fileExit, &QAction::triggered, this, &TporvForm::FileExit1Execute);

    m_editMenu = bar->addMenu(QStringLiteral("&Edit"));
    m_editMenu->setObjectName(QStringLiteral("Edit1"));
    struct EditCommand { const char *name; const char *text; QKeySequence::StandardKey key; const char *slot; int image; };
    const EditCommand edits[] = {
        {"EditCut1", "Cu&t", QKeySequence::Cut, "cut", 0},
        {"EditCopy1", "&Copy", QKeySequence::Copy, "copy", 1},
        {"EditPaste1", "&Paste", QKeySequence::Paste, "paste", 2},
    };
    for (const EditCommand &e : edits) {
        QAction *a = makeAction(this, e.name, QString::fromLatin1(e.text));
        a->setShortcut(QKeySequence(e.key));
        a->setShortcutContext(Qt::WidgetShortcut); // the focused edit box keeps its own keys
        a->setIcon(QIcon(m_images->image(e.image)));
        a->setToolTip(QString::fromLatin1(e.text).remove(QLatin1Char('&')));
        const QByteArray slot = e.slot;
        connect(a, &QAction::triggered, this, [slot] {
            if (QWidget *w = QApplication::focusWidget())
                QMetaObject::invokeMethod(w, slot.constData());
        });
        m_editMenu->addAction(a);
    }

    QMenu *window = bar->addMenu(QStringLiteral("&Window"));
    window->setObjectName(QStringLiteral("Window1"));
    QAction *phList = makeAction(this, "PHList1", QStringLiteral("phonelist"));
    QAction *parameter = makeAction(this, "Parameter1", QStringLiteral("Parameter"));
    QAction *events = makeAction(this, "Events1", QStringLiteral("Events"));
    QAction *rfid = makeAction(this, "RFIDCodes1", QStringLiteral("RFID Codes"));
    // The four pages on Ctrl+1 to Ctrl+4, in the order of their tabs.
    int key = Qt::Key_1;
    for (QAction *a : {phList, parameter, events, rfid}) {
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(key++)));
        window->addAction(a);
    }
    connect(phList, &QAction::triggered, this, &TporvForm::PHButClick);
    connect(parameter, &QAction::triggered, this, &TporvForm::PbuttClick);
    connect(events, &QAction::triggered, this, &TporvForm::EbuttClick);
    connect(rfid, &QAction::triggered, this, &TporvForm::RFbuttClick);

    m_about1 = makeAction(this, "HelpAbout1", QStringLiteral("&About..."));
    bar->addAction(m_about1);
    connect(m_about1, &QAction::triggered, this, &TporvForm::HelpAbout1Execute);
    QAction *blank = makeAction(this, "N1", QString());
    blank->setEnabled(false);
    bar->addAction(blank);

    m_connectMenu = bar->addMenu(QStringLiteral("&Connect"));
    m_connectMenu->setObjectName(QStringLiteral("Connect1"));
    m_onLine = makeAction(this, "OnLine1", QStringLiteral("Log On"));
    m_onLine->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_connectMenu->addAction(m_onLine);
    connect(m_onLine, &QAction::triggered, this, &TporvForm::OnLine1Click);

    m_portsMenu = bar->addMenu(QStringLiteral("&Ports"));
    m_portsMenu->setObjectName(QStringLiteral("ports"));
    m_updatePorts = makeAction(this, "UpdatePorts1", QStringLiteral("&UpdatePorts"));
    bar->addAction(m_updatePorts);
    connect(m_updatePorts, &QAction::triggered, this, &TporvForm::UpdatePorts1Click);

    // Help, after the entries above: the link trace for a support request.
    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction *trace = makeAction(this, "SaveLinkTrace1", QStringLiteral("Save link &trace…"));
    help->addAction(trace);
    connect(trace, &QAction::triggered, this, &TporvForm::SaveLinkTraceClick);
}

void TporvForm::buildToolBar()
{
    m_toolBar = new QToolBar(QStringLiteral("ToolBar1"), this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->toggleViewAction()->setEnabled(false);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    auto button = [this](const char *name, QAction *action) {
        auto *b = new QToolButton(m_toolBar);
        b->setObjectName(QLatin1String(name));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        if (action)
            b->setDefaultAction(action);
        m_toolBar->addWidget(b);
        return b;
    };
    button("TBnew", m_fileNew);
    button("TBOpen", m_fileOpen);
    button("TBSave", m_fileSave);
    m_toolBar->addSeparator();
    button("TBCut", findChild<QAction *>(QStringLiteral("EditCut1")));
    button("TBCopy", findChild<QAction *>(QStringLiteral("EditCopy1")));
    button("TBPaste", findChild<QAction *>(QStringLiteral("EditPaste1")));
    m_toolBar->addSeparator();

    struct PageButton { const char *button; const char *action; const char *text; const char *hint; int image; void (TporvForm::*handler)(); };
    const PageButton pages[] = {
        {"PHBut", "phlistb", "phonelist", "Phone List Page", 16, &TporvForm::PHButClick},
        {"Pbutt", "Parab", "Parameter", "Parameter Setting Page", 15, &TporvForm::PbuttClick},
        {"Ebutt", "Eventb", "Events", "Event display Page", 18, &TporvForm::EbuttClick},
        {"RFbutt", "RFbuttAction", "RFID", "RFID Setup", 27, &TporvForm::RFbuttClick},
    };
    for (const PageButton &p : pages) {
        QAction *a = makeAction(this, p.action, QString::fromLatin1(p.text));
        a->setIcon(QIcon(m_images->image(p.image)));
        a->setToolTip(QString::fromLatin1(p.hint));
        connect(a, &QAction::triggered, this, p.handler);
        button(p.button, a)->setAccessibleName(QString::fromLatin1(p.hint));
    }
    m_toolBar->addSeparator();

    m_led = new LampButton(m_toolBar);
    m_led->setObjectName(QStringLiteral("led"));
    m_led->setAutoRaise(true);
    m_led->setFocusPolicy(Qt::NoFocus);
    m_toolBar->addWidget(m_led);
    m_led->setCheckable(true);
    m_led->setIcon(QIcon(m_images->image(m_ledImage)));
    m_led->setToolTip(QStringLiteral("Log On"));
    // A click, a key, and the accessibility interface's Press and Toggle all
    // change the checked state first; that change is taken back at once (the
    // marked look follows the log-on state only) and counts as one press.
    connect(m_led, &QToolButton::toggled, this, [this](bool checked) {
        if (checked == m_ledMarked)
            return;
        m_led->setChecked(m_ledMarked);
        OnLine1Click();
    });

    auto *spacer = new QWidget(m_toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar->addWidget(spacer);
    m_animate = new QLabel(m_toolBar);
    m_animate->setObjectName(QStringLiteral("Animate1"));
    m_animate->setFixedSize(33, 32);
    m_frames = AnimationFrames();
    m_animate->setPixmap(m_frames.value(0));
    m_animate->setToolTip(QStringLiteral("OFF Line"));
    m_toolBar->addWidget(m_animate);
    m_animTimer = new QTimer(this);
    m_animTimer->setObjectName(QStringLiteral("AnimateTimer"));
    m_animTimer->setInterval(150);
    connect(m_animTimer, &QTimer::timeout, this, [this] {
        if (m_frames.isEmpty())
            return;
        m_frame = (m_frame + 1) % int(m_frames.size());
        m_animate->setPixmap(m_frames.at(m_frame));
    });
}

void TporvForm::buildPages()
{
    m_page = new QTabWidget(this);
    m_page->setObjectName(QStringLiteral("Page"));
    m_page->setUsesScrollButtons(false);
    m_page->setDocumentMode(false);
    for (int i = 0; i < 4; ++i) {
        m_pages[i] = new QWidget(m_page);
        m_pages[i]->setObjectName(QLatin1String(TabNames[i]));
        auto *layout = new QVBoxLayout(m_pages[i]);
        layout->setObjectName(QLatin1String(TabNames[i]) + QStringLiteral("Layout"));
        layout->setContentsMargins(4, 4, 4, 4);
        layout->setSpacing(4);
        m_page->addTab(m_pages[i], QLatin1String(TabCaptions[i]));
    }
    // The receive view: what the unit answered, exactly as received.
    m_rxMemo = new QPlainTextEdit(m_pages[PhoneDirectory]);
    m_rxMemo->setObjectName(QStringLiteral("RxMemo"));
    m_rxMemo->setReadOnly(true);
    m_rxMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_rxMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_rxMemo->setUndoRedoEnabled(false);
    m_rxMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_rxMemo->setFixedHeight(120);
    m_rxMemo->setAccessibleName(QStringLiteral("Replies from the unit"));
    auto *phLayout = static_cast<QVBoxLayout *>(m_pages[PhoneDirectory]->layout());
    phLayout->addStretch(1);
    phLayout->addWidget(m_rxMemo);
    for (int i = 1; i < 4; ++i)
        static_cast<QVBoxLayout *>(m_pages[i]->layout())->addStretch(1);
    setCentralWidget(m_page);
}

void TporvForm::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        m_panels[i] = new QLabel(bar);
        m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        m_panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panels[i]->setContentsMargins(3, 0, 3, 0);
    }
    m_panels[0]->setFixedWidth(320);
    m_panels[1]->setMinimumWidth(50);
    bar->addWidget(m_panels[0]);
    bar->addWidget(m_panels[1], 1);
}

void TporvForm::buildTimers()
{
    struct TimerSpec { QTimer **timer; const char *name; int interval; };
    const TimerSpec timers[] = {
        {&m_timer1, "Timer1", 500}, {&m_timer2, "Timer2", 1000},
        {&m_timer3, "Timer3", 1000}, {&m_timer4, "Timer4", 50},
    };
    for (const TimerSpec &t : timers) {
        *t.timer = new QTimer(this);
        (*t.timer)->setObjectName(QLatin1String(t.name));
        (*t.timer)->setProperty("baseInterval", t.interval);
        (*t.timer)->setInterval(t.interval);
    }
    connect(m_timer1, &QTimer::timeout, this, &TporvForm::Timer1Timer);
    connect(m_timer2, &QTimer::timeout, this, &TporvForm::Timer2Timer);
    connect(m_timer4, &QTimer::timeout, this, &TporvForm::Timer4Timer);
    startScaled(m_timer4);
}

void TporvForm::startScaled(QTimer *timer)
{
    // The timers run on the same clock as the waits: tests that shorten the
    // tick shorten them too.
    const int base = timer->property("baseInterval").toInt();
    timer->setInterval(std::max(1, int(std::lround(base * TickScale()))));
    timer->start();
}

void TporvForm::hostAvailablePages()
{
    HostAvailablePages(*this, m_link, m_rxMemo);
}

void TporvForm::nameToolkitButtons()
{
    // The buttons the toolkit adds on its own: the menu bar's and the tool
    // bar's overflow buttons, and the grids' corner button.
    if (auto *more = menuBar()->findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button")))
        more->setAccessibleName(QStringLiteral("More menus"));
    if (auto *more = m_toolBar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More tools"));
    for (QTableView *grid : findChildren<QTableView *>())
        for (QAbstractButton *corner : grid->findChildren<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly))
            corner->setAccessibleName(QStringLiteral("Select all"));
}

void TporvForm::placeReceiveViewLast()
{
    // The receive view is made before the directory page's grid and boxes;
    // Tab reaches it after them.
    QWidget *last = nullptr;
    for (QWidget *w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (w != m_rxMemo && (w->focusPolicy() & Qt::TabFocus) && m_pages[PhoneDirectory]->isAncestorOf(w))
            last = w;
    }
    if (last)
        setTabOrder(last, m_rxMemo);
}

QWidget *TporvForm::pageWidget(int index) const
{
    return index >= 0 && index < 4 ? m_pages[index] : nullptr;
}

ShellPage *TporvForm::hostedPage(int index) const
{
    return index >= 0 && index < 4 && m_hosted[index] ? m_hostedCommands[index] : nullptr;
}

void TporvForm::hostPage(int index, QWidget *page, ShellPage *commands)
{
    if (index < 0 || index >= 4 || !page)
        return;
    auto *layout = static_cast<QVBoxLayout *>(m_pages[index]->layout());
    // The page takes the room above the receive view (or the whole page).
    QLayoutItem *stretch = layout->itemAt(0);
    if (stretch && stretch->spacerItem()) {
        layout->removeItem(stretch);
        delete stretch;
    }
    layout->insertWidget(0, page, 1);
    m_hosted[index] = page;
    m_hostedCommands[index] = commands;
}

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
        m_panels[0]->setText(text);
    } else if (panel == 1) {
        m_panels[1]->setText(text);
    }
}

bool TporvForm::event(QEvent *e)
{
    // Long hints show in panel 0 while the mouse is over their control; the
    // operation's text comes back when it leaves.
    if (e->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent *>(e)->tip();
        m_panels[0]->setText(tip.isEmpty() ? m_panel0 : tip);
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
void TporvForm::ShowTransferProgress(int done, int total) { m_transfer->setProgress(done, total); }

void TporvForm::SetBusyCursor(bool busy)
{
    if (busy == m_busyCursor)
        return;
    m_busyCursor = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TporvForm::StartLampBlink() { startScaled(m_timer1); }
void TporvForm::StopLampBlink() { m_timer1->stop(); }

void TporvForm::SetLedImage(int image)
{
    m_ledImage = image;
    m_led->setIcon(QIcon(m_images->image(image)));
}

void TporvForm::StartKeepAlive() { startScaled(m_timer2); }
void TporvForm::StopKeepAlive() { m_timer2->stop(); }

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
    m_editMenu->setEnabled(false);
    m_editMenu->menuAction()->setEnabled(false);
}

void TporvForm::HoldFileCommands(bool hold)
{
    m_fileHolds = std::max(0, m_fileHolds + (hold ? 1 : -1));
    m_fileCommands->setEnabled(m_fileHolds == 0);
}

void TporvForm::SetEventsLoaded(bool loaded) { EventsLoaded = loaded; }
QTimer *TporvForm::CaptureTimer() { return m_timer3; }
int TporvForm::MemoryLimit() const { return m_session->MemoryLimit; }

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

// --- start-up reset and File commands --------------------------------------------

void TporvForm::FileNew1Execute()
{
    m_frame = 0;
    m_animate->setPixmap(m_frames.value(0));
    setWindowTitle(Session::GenericTitle());
    m_session->DetailsFileName = QStringLiteral("Porvdata.ini");
    m_fileSave->setEnabled(true);
    m_saveAs->setEnabled(true);
    SaveAllowed = true;
    SaveAsAllowed = true;
    // The pages' share: the directory table, its file name box and grid.
    for (int i = 0; i < 4; ++i)
        if (ShellPage *p = hostedPage(i))
            p->FileNew();
    // File New during a log-on stops it at its next check, as Log Off does.
    m_session->LogOnAbort = true;
    SetLoggedOffState();
    // Logged off, the transport may be chosen again: a log-on had disabled the
    // Ports menu, and when nothing remembered selects a port it is the only
    // way back to Log On.
    setPortSelectionEnabled(true);
    m_led->setEnabled(false);
    m_led->setToolTip(QStringLiteral("Set Port First"));
    m_onLine->setEnabled(false);
    m_onLine->setToolTip(QStringLiteral("Set Port First"));
    m_onLine->setStatusTip(QStringLiteral("Set Port First"));
    BuildPortsMenu();
    labelPorts(m_session->LoadRememberedDetails());
}

void TporvForm::FileOpen1Execute()
{
    const int page = m_page->currentIndex();
    if (page != PhoneDirectory && page != SystemControls)
        return;
    if (ShellPage *p = hostedPage(page))
        p->FileOpen();
}

void TporvForm::FileSave1Execute()
{
    // Save is the directory's, on whatever page it runs.
    if (ShellPage *p = hostedPage(PhoneDirectory))
        p->FileSave();
}

void TporvForm::SaveAsClick()
{
    const int page = m_page->currentIndex();
    if (page == RfidPage)
        return;
    if (ShellPage *p = hostedPage(page))
        p->FileSaveAs();
}

void TporvForm::FileExit1Execute()
{
    m_link.CloseLink();
    close();
}

void TporvForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TporvForm::FormClose()
{
    if (m_closing)
        return;
    m_closing = true;
    m_link.CloseLink();
    Delay(500);
    m_transfer->hide();
}

void TporvForm::HelpAbout1Execute() { m_seam->execDialog(*m_about); }

void TporvForm::SaveLinkTraceClick()
{
    const QString path = AskSaveFileName({QStringLiteral("txt"), QStringLiteral("Text (*.txt)|*.txt|All Files (*.*)|*.*"),
                                          QStringLiteral("porv-pro-link-trace.txt")});
    if (path.isEmpty())
        return;
    const QByteArray header = "porv-pro " PORV_VERSION " link trace, saved "
        + QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1()
        + ". '>' went to the unit, '<' came from it; the PIN and the access codes are hidden.\n";
    // It names the unit's clients: kept for the user alone.
    SaveFileWhole(path, header + m_link.Trace().Text(), {true, QString()});
}

// --- page commands -------------------------------------------------------------------

void TporvForm::PHButClick()
{
    m_page->setCurrentIndex(PhoneDirectory);
    m_fileNew->setEnabled(true);
    m_fileOpen->setEnabled(true);
    m_editMenu->setEnabled(true);
    m_editMenu->menuAction()->setEnabled(true);
    m_fileSave->setEnabled(SaveAllowed);
    m_saveAs->setEnabled(SaveAsAllowed);
    if (ShellPage *p = hostedPage(PhoneDirectory))
        p->PageCommand();
    if (QWidget *name = findChild<QWidget *>(QStringLiteral("Namef")))
        name->setFocus();
}

void TporvForm::PbuttClick()
{
    m_page->setCurrentIndex(SystemControls);
    DisableFileCommands();
    m_saveAs->setEnabled(true);
    m_fileOpen->setEnabled(true);
    if (ShellPage *p = hostedPage(SystemControls))
        p->PageCommand();
}

void TporvForm::EbuttClick()
{
    m_page->setCurrentIndex(EventsPage);
    DisableFileCommands();
    m_saveAs->setEnabled(EventsLoaded);
    if (ShellPage *p = hostedPage(EventsPage))
        p->PageCommand();
}

void TporvForm::RFbuttClick()
{
    m_page->setCurrentIndex(RfidPage);
    DisableFileCommands();
    if (ShellPage *p = hostedPage(RfidPage))
        p->PageCommand();
}

// --- ports -------------------------------------------------------------------------------

int TporvForm::BuildPortsMenu()
{
    const QStringList names = SystemPortNames();
    for (QAction *a : m_portsMenu->actions()) {
        m_portsMenu->removeAction(a);
        a->deleteLater();
    }
    if (names.isEmpty())
        ShowMessage(QStringLiteral("No Serial Port Found"));
    m_portTable = PortTable(names);
    for (const QString &entry : std::as_const(m_portTable)) {
        auto *a = new QAction(entry, m_portsMenu);
        a->setObjectName(entry);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a] { ChangeComClick(a); });
        m_portsMenu->addAction(a);
    }
    // A port the system does not list (an adapter under an unusual name, a
    // /dev/serial/by-id link, a pseudo-terminal) is given by its path.
    auto *other = new QAction(OtherEntryCaption(), m_portsMenu);
    other->setObjectName(QStringLiteral("OtherPort"));
    other->setCheckable(true);
    connect(other, &QAction::triggered, this, [this, other] { OtherPortClick(other); });
    m_portsMenu->addAction(other);
    return int(std::min<qsizetype>(names.size(), MaxSerialEntries));
}

void TporvForm::labelPorts(const QString &remembered)
{
    const int index = FindRememberedEntry(m_portTable, remembered);
    const QList<QAction *> entries = m_portsMenu->actions();
    for (int i = 0; i < entries.size(); ++i)
        entries.at(i)->setChecked(i == index);
    if (index < 0 || index >= entries.size())
        return;
    const QString entry = m_portTable.at(index);
    if (entry != NetworkEntryName())
        m_session->SetSerialPortName(entry);
    setLogOnEnabled(true, QStringLiteral("Log On"));
    setConnectEnabled(true);
}

void TporvForm::ChangeComClick(QAction *entry)
{
    const QString name = entry->objectName();
    selectPort(entry, name != NetworkEntryName() ? name : QString());
}

void TporvForm::OtherPortClick(QAction *entry)
{
    // The click toggled the tick; it is set again only when a device is chosen.
    entry->setChecked(!entry->isChecked());
    const QString current = m_session->SerialPortName();
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OtherPortDialog"));
    dialog.setWindowTitle(QStringLiteral("Other port"));
    dialog.setLabelText(QStringLiteral("Device path:"));
    dialog.setTextValue(current.startsWith(QLatin1Char('/')) ? current : QStringLiteral("/dev/"));
    if (auto *field = dialog.findChild<QLineEdit *>())
        field->setMinimumWidth(340); // room for a /dev/serial/by-id/... name
    if (m_seam->execDialog(dialog) != QDialog::Accepted)
        return;
    const QString path = DevicePath(dialog.textValue());
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).exists() || QFileInfo(path).isDir()) {
        ShowMessage(QStringLiteral("Device not found: ") + path);
        return;
    }
    selectPort(entry, path);
    entry->setText(OtherEntryCaption() + QStringLiteral(" (") + path + QLatin1Char(')'));
}

// Ticks the entry and makes its transport the chosen one: the serial port of
// that name, or the network link when the name is empty. "Other…" shows its
// device only while it is the chosen entry.
void TporvForm::selectPort(QAction *entry, const QString &serialPortName)
{
    for (QAction *a : m_portsMenu->actions()) {
        a->setChecked(false);
        if (a->objectName() == QLatin1String("OtherPort"))
            a->setText(OtherEntryCaption());
    }
    entry->setChecked(true);
    if (!serialPortName.isEmpty()) {
        m_session->SetSerialPortName(serialPortName);
        m_session->NetworkSelected = false;
    } else {
        m_session->NetworkSelected = true;
    }
    setLogOnEnabled(true, QStringLiteral("Log On"));
    setConnectEnabled(true);
}

void TporvForm::UpdatePorts1Click()
{
    BuildPortsMenu();
    m_led->setEnabled(false);
    m_led->setToolTip(QStringLiteral("Set port First"));
    setConnectEnabled(false);
}

void TporvForm::setLogOnEnabled(bool enabled, const QString &hint)
{
    m_led->setEnabled(enabled);
    m_led->setToolTip(hint);
    m_onLine->setEnabled(enabled);
    m_onLine->setToolTip(hint);
    m_onLine->setStatusTip(hint);
}

void TporvForm::setConnectEnabled(bool enabled)
{
    m_connectMenu->setEnabled(enabled);
    m_connectMenu->menuAction()->setEnabled(enabled);
}

void TporvForm::setPortSelectionEnabled(bool enabled)
{
    m_portsMenu->setEnabled(enabled);
    m_portsMenu->menuAction()->setEnabled(enabled);
    m_updatePorts->setEnabled(enabled);
}

// --- timers ------------------------------------------------------------------------------

void TporvForm::Timer1Timer()
{
    SetLedImage(m_ledImage == ImageList::LampOffLine ? ImageList::LampOnLine : ImageList::LampOffLine);
}

void TporvForm::Timer2Timer()
{
    if (!m_link.LoggedOn() || m_link.CountMode())
        return;
    if (!m_link.CountKeepAliveSecond(15))
        return;
    // A failed prompt logs off. The user may have logged off (or run File
    // New) inside the prompt's wait; then there is nothing left to log off,
    // and the Log On handler would open the log-on dialog instead.
    if (!m_session->KeepAlive() && m_link.LoggedOn())
        OnLine1Click();
}

void TporvForm::Timer4Timer()
{
    if (!m_session->NetworkOpen())
        return;
    // The poll restarts the lamp blink's interval: over the network link the
    // lamp keeps still.
    const bool blinking = m_timer1->isActive();
    m_timer1->stop();
    const auto restart = qScopeGuard([this, blinking] {
        if (blinking)
            startScaled(m_timer1);
    });
    m_session->PollNetwork();
}

// --- log-on and log-off ------------------------------------------------------------------

const QStringList &TporvForm::LoggedOnControlNames()
{
    static const QStringList names = {
        QStringLiteral("UpDatePIN"), QStringLiteral("SaveParam"), QStringLiteral("UpLoad"),
        QStringLiteral("ReadAll"), QStringLiteral("WriteAll"), QStringLiteral("ReadPara0"),
        QStringLiteral("ReadPara1"), QStringLiteral("ReadSpd"), QStringLiteral("ReadCode"),
        QStringLiteral("WritePara0"), QStringLiteral("WritePara1"), QStringLiteral("WriteSpd"),
        QStringLiteral("WriteCode"), QStringLiteral("ReadMsgs"), QStringLiteral("divertRead"),
        QStringLiteral("divertWrite"), QStringLiteral("TabSheet3"), QStringLiteral("download_id"),
        QStringLiteral("writeall_id"), QStringLiteral("Get_ID"),
    };
    return names;
}

const QStringList &TporvForm::TransferButtonNames()
{
    static const QStringList names = {
        QStringLiteral("dnLoad"), QStringLiteral("Set_time"), QStringLiteral("GetData"), QStringLiteral("WriteData"),
    };
    return names;
}

void TporvForm::setNamedControlsEnabled(const QStringList &names, bool enabled)
{
    for (const QString &name : names) {
        for (QWidget *w : m_page->findChildren<QWidget *>(name)) {
            // A tab of a tab control is enabled through its tab.
            auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget());
            auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
            if (tabs && tabs->indexOf(w) >= 0)
                tabs->setTabEnabled(tabs->indexOf(w), enabled);
            else
                w->setEnabled(enabled);
        }
        for (QAction *a : m_page->findChildren<QAction *>(name))
            a->setEnabled(enabled);
    }
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

void TporvForm::SetLoggedOffState()
{
    m_link.CloseLink();
    m_onLine->setText(QStringLiteral("Log On"));
    m_onLine->setToolTip(QStringLiteral("Log On"));
    m_onLine->setStatusTip(QStringLiteral("Log On"));
    m_led->setToolTip(QStringLiteral("Log On"));
    m_link.MarkLoggedOff();
    setLedMarked(false);
    setNamedControlsEnabled(TransferButtonNames(), false);
    m_timer2->stop();
    m_timer1->stop();
    setAnimation(false, QStringLiteral("OFF Line"));
    SetLedImage(ImageList::LampOffLine);
    setNamedControlsEnabled(LoggedOnControlNames(), false);
    // DirectorySynced and WrtChg, and whatever else a page keeps.
    for (int i = 0; i < 4; ++i)
        if (ShellPage *p = hostedPage(i))
            p->SetLoggedOn(false);
}

void TporvForm::SetLoggedOnControls()
{
    setNamedControlsEnabled(LoggedOnControlNames(), true);
    for (int i = 0; i < 4; ++i)
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
        logOff();
        return;
    }
    setLedMarked(true);
    m_session->LogOnAbort = false;
    // The final step runs on every way out, a failure that travels included
    // (which then also counts as an abort).
    const auto finalStep = [this] {
        if (m_session->LogOnAbort) {
            SetLoggedOffState();
            HideTransfer();
            EnablePortSelection();
        }
    };
    bool ok = false;
    try {
        ok = logOnSteps();
    } catch (...) {
        m_session->LogOnAbort = true;
        finalStep();
        throw;
    }
    if (!ok)
        m_session->LogOnAbort = true;
    finalStep();
}

void TporvForm::logOff()
{
    m_session->LogOnAbort = true;
    SetLedImage(ImageList::LampLoggingOff);
    m_link.ClearReceiveView();
    m_link.ResetReply();
    HideTransfer();
    Delay(100);
    SetLoggedOffState();
    EnablePortSelection();
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
    const LogOnResult result = RunLogOn(s, details, progress);
    if (!result.connected()) {
        const QString message = result.message();
        if (!message.isEmpty())
            ShowMessage(message);
        return false;
    }
    showLoggedOn();
    return true;
}

// The pages forget that the directory mirrors the unit (DirectorySynced,
// WrtChg) until a download shows it again. The menu item now offers Log Off,
// which aborts the log-on; no keep-alive runs meanwhile. The Ports menu is
// locked while the log-on runs; the lamp and the Connect menu stay enabled, so
// that the user can abort it.
void TporvForm::prepareLogOn()
{
    for (int i = 0; i < 4; ++i)
        if (ShellPage *p = hostedPage(i))
            p->LogOnStarting();
    m_onLine->setText(QStringLiteral("Log Off"));
    m_timer2->stop();
    setPortSelectionEnabled(false);
    m_led->setEnabled(true);
    m_led->setToolTip(QStringLiteral("Log On"));
    setConnectEnabled(true);
}

// Logged on: the transfer and logged-on controls, the lamp, the keep-alive and
// the animation.
void TporvForm::showLoggedOn()
{
    setNamedControlsEnabled(TransferButtonNames(), true);
    SetLedImage(ImageList::LampOnLine);
    m_led->setToolTip(QStringLiteral("Log Off"));
    ShowStatus(0, QStringLiteral("Connected"));
    startScaled(m_timer2);
    setAnimation(true, QStringLiteral("On Line"));
    setLedMarked(false);
    SetLoggedOnControls();
}

} // namespace porv
