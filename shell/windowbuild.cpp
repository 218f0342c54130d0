// The main window's menus, tool bar, page control, status bar and timers.
#include "mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "delay.h"
#include "images.h"

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

} // namespace

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
    // The whole unit at once: enabled while logged on, held with the File
    // commands while a transfer runs.
    m_backUpUnit = makeAction(this, "BackUpUnit1", QStringLiteral("&Back up unit…"));
    m_backUpUnit->setStatusTip(QStringLiteral("Read everything the unit holds into a backup file"));
    m_restoreUnit = makeAction(this, "RestoreUnit1", QStringLiteral("&Restore unit…"));
    m_restoreUnit->setStatusTip(QStringLiteral("Put a backup file back on the unit"));
    m_compareUnit = makeAction(this, "CompareUnit1", QStringLiteral("&Compare with unit…"));
    m_compareUnit->setStatusTip(QStringLiteral("Show what differs between the unit and the phone list or a backup file"));
    m_unitCommands = new QActionGroup(this);
    m_unitCommands->setObjectName(QStringLiteral("UnitCommands"));
    m_unitCommands->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (QAction *a : {m_backUpUnit, m_restoreUnit, m_compareUnit}) {
        a->setEnabled(false);
        m_unitCommands->addAction(a);
        file->addAction(a);
    }
    connect(m_backUpUnit, &QAction::triggered, this, &TporvForm::BackUpUnitClick);
    connect(m_restoreUnit, &QAction::triggered, this, &TporvForm::RestoreUnitClick);
    connect(m_compareUnit, &QAction::triggered, this, &TporvForm::CompareUnitClick);
    // Every unit the user looks after, in a window of its own beside this one.
    QAction *siteBook = makeAction(this, "SiteBook1", QStringLiteral("S&ite book…"));
    siteBook->setStatusTip(QStringLiteral("Your sites and units: how to reach each, its snapshots and its journal"));
    file->addAction(siteBook);
    connect(siteBook, &QAction::triggered, this, &TporvForm::SiteBookClick);
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
    buildWindowMenu(window);

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

// One item per page, in the order of the tabs, each on its page's shortcut.
void TporvForm::buildWindowMenu(QMenu *window)
{
    for (int i = 0; i < pageCount(); ++i) {
        const PageDescriptor::MenuItem &item = m_pages[i].descriptor.menuItem;
        QAction *a = makeAction(this, item.name, QString::fromLatin1(item.text));
        if (item.shortcut)
            a->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut), QKeySequence::PortableText));
        window->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { RunPageCommand(i); });
    }
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

    // The page buttons, in the order of the tabs; a screen reader names them
    // by their hints.
    for (int i = 0; i < pageCount(); ++i) {
        const PageDescriptor::ToolButton &tool = m_pages[i].descriptor.toolButton;
        QAction *a = makeAction(this, tool.action, QString::fromLatin1(tool.text));
        a->setIcon(QIcon(m_images->image(tool.image)));
        a->setToolTip(QString::fromLatin1(tool.hint));
        connect(a, &QAction::triggered, this, [this, i] { RunPageCommand(i); });
        button(tool.name, a)->setAccessibleName(QString::fromLatin1(tool.hint));
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
    m_page->setAccessibleName(QStringLiteral("Pages"));
    m_page->setUsesScrollButtons(false);
    m_page->setDocumentMode(false);
    for (int i = 0; i < pageCount(); ++i) {
        const PageDescriptor &d = m_pages[i].descriptor;
        QWidget *widget = new QWidget(m_page);
        widget->setObjectName(QLatin1String(d.objectName));
        auto *layout = new QVBoxLayout(widget);
        layout->setObjectName(QLatin1String(d.objectName) + QStringLiteral("Layout"));
        layout->setContentsMargins(4, 4, 4, 4);
        layout->setSpacing(4);
        m_page->addTab(widget, QLatin1String(d.caption));
        m_pages[i].widget = widget;
        if (d.holdsReceiveView)
            m_receiveViewPage = i;
    }
    // The receive view: what the unit answered, exactly as received.
    m_rxMemo = new QPlainTextEdit(pageWidget(m_receiveViewPage));
    m_rxMemo->setObjectName(QStringLiteral("RxMemo"));
    m_rxMemo->setReadOnly(true);
    m_rxMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_rxMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_rxMemo->setUndoRedoEnabled(false);
    m_rxMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_rxMemo->setFixedHeight(120);
    m_rxMemo->setAccessibleName(QStringLiteral("Replies from the unit"));
    for (int i = 0; i < pageCount(); ++i) {
        auto *layout = static_cast<QVBoxLayout *>(m_pages[i].widget->layout());
        layout->addStretch(1);
        if (i == m_receiveViewPage)
            layout->addWidget(m_rxMemo);
    }
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
    // Timer2 (keep-alive) and Timer4 (network poll) are the connection's.
    struct TimerSetup { QTimer **timer; const char *name; int interval; };
    const TimerSetup timers[] = {{&m_timer1, "Timer1", 500}, {&m_timer3, "Timer3", 1000}};
    for (const TimerSetup &t : timers) {
        *t.timer = new QTimer(this);
        (*t.timer)->setObjectName(QLatin1String(t.name));
        (*t.timer)->setProperty("baseInterval", t.interval);
        (*t.timer)->setInterval(t.interval);
    }
    connect(m_timer1, &QTimer::timeout, this, &TporvForm::Timer1Timer);
    connect(&m_connection->PollTimer(), &QTimer::timeout, this, &TporvForm::Timer4Timer);
}

void TporvForm::startScaled(QTimer *timer)
{
    // The timers run on the same clock as the waits: tests that shorten the
    // tick shorten them too.
    const int base = timer->property("baseInterval").toInt();
    timer->setInterval(std::max(1, int(std::lround(base * TickScale()))));
    timer->start();
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
    // The receive view is made before the page classes' grids and boxes; Tab
    // reaches it after those of its own page.
    QWidget *page = pageWidget(m_receiveViewPage);
    QWidget *last = nullptr;
    for (QWidget *w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (w != m_rxMemo && (w->focusPolicy() & Qt::TabFocus) && page && page->isAncestorOf(w))
            last = w;
    }
    if (last)
        setTabOrder(last, m_rxMemo);
}

} // namespace porv
