#include "mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "aboutbox.h"
#include "application.h"
#include "delay.h"
#include "dialogseam.h"
#include "enterpin.h"
#include "images.h"
#include "registeredpages.h"
#include "session.h"
#include "shellpage.h"
#include "transferform.h"

namespace porv {

namespace {

QString shownCommand(const QByteArray &text)
{
    QByteArray shown = text;
    while (shown.endsWith('\r') || shown.endsWith('\n'))
        shown.chop(1);
    return QString::fromLatin1(shown);
}

} // namespace

TporvForm::TporvForm(QWidget *parent)
    : QMainWindow(parent), m_connection(new UnitConnection(this)), m_link(m_connection->link()),
      m_session(&m_connection->session())
{
    setObjectName(QStringLiteral("porvForm"));
    setWindowTitle(QStringLiteral("loading..."));
    setWindowIcon(QIcon(ProgramIcon()));

    m_seam = new DialogSeam(this);
    m_seam->setObjectName(QStringLiteral("DialogSeam"));
    Application::SetFailureSink([this](const QString &message) { m_seam->showMessage(this, message); });
    m_images = new ImageList(this);
    m_images->setObjectName(QStringLiteral("ImageList1"));
    m_connection->setObjectName(QStringLiteral("UnitConnection"));
    m_session->setObjectName(QStringLiteral("Session"));

    // The pages in the order they registered: the tabs, the Window menu items
    // and the page buttons follow it.
    PageRegistry registry;
    RegisterPages(registry);
    for (const PageDescriptor &descriptor : registry.pages())
        m_pages.push_back(Page{descriptor, nullptr, nullptr, nullptr});

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
    m_enterPin = new EnterPin([this](const QString &text) { m_seam->showMessage(m_enterPin, text); }, this);
    m_transfer = new TransferForm([this](const QString &text) { ShowStatus(0, text); }, this);
    followConnection();

    hostAvailablePages();
    placeReceiveViewLast();
    nameToolkitButtons();
    FileNew1Execute();
    m_page->setCurrentIndex(0);
    installBookRecorder();
}

TporvForm::~TporvForm()
{
    Application::SetFailureSink({});
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
    // Pages hold the link and the services: they go first, then the link.
    for (Page &p : m_pages) {
        delete p.hosted;
        p.commands = nullptr;
    }
    delete m_connection;
}

// --- pages ---------------------------------------------------------------------------

// Each page class is made in the order of registration, with the pages made
// before it.
void TporvForm::hostAvailablePages()
{
    std::vector<HostedPage> made;
    for (int i = 0; i < pageCount(); ++i) {
        const PageDescriptor &d = m_pages[i].descriptor;
        if (!d.create)
            continue;
        PageContext context{m_link, *this, m_pages[i].widget, m_rxMemo, made};
        const HostedPage page = d.create(context);
        if (!page.widget)
            continue;
        hostPage(i, page.widget, page.commands);
        made.push_back(page);
    }
}

QWidget *TporvForm::pageWidget(int index) const
{
    return index >= 0 && index < pageCount() ? m_pages[index].widget : nullptr;
}

ShellPage *TporvForm::hostedPage(int index) const
{
    return index >= 0 && index < pageCount() && m_pages[index].hosted ? m_pages[index].commands : nullptr;
}

int TporvForm::pageIndex(const QString &objectName) const
{
    for (int i = 0; i < pageCount(); ++i)
        if (objectName == QLatin1String(m_pages[i].descriptor.objectName))
            return i;
    return -1;
}

int TporvForm::currentPage() const { return m_page->currentIndex(); }

void TporvForm::hostPage(int index, QWidget *page, ShellPage *commands)
{
    if (index < 0 || index >= pageCount() || !page)
        return;
    auto *layout = static_cast<QVBoxLayout *>(m_pages[index].widget->layout());
    // The page takes the room above the receive view (or the whole page).
    QLayoutItem *stretch = layout->itemAt(0);
    if (stretch && stretch->spacerItem()) {
        layout->removeItem(stretch);
        delete stretch;
    }
    layout->insertWidget(0, page, 1);
    m_pages[index].hosted = page;
    m_pages[index].commands = commands;
}

bool TporvForm::offered(FileOffer offer) const
{
    switch (offer) {
    case FileOffer::Off:
        return false;
    case FileOffer::On:
        return true;
    case FileOffer::WhileSaveAllowed:
        return SaveAllowed;
    case FileOffer::WhileSaveAsAllowed:
        return SaveAsAllowed;
    case FileOffer::WhileEventsLoaded:
        return EventsLoaded;
    }
    return false;
}

void TporvForm::setEditEnabled(bool enabled)
{
    m_editMenu->setEnabled(enabled);
    m_editMenu->menuAction()->setEnabled(enabled);
}

void TporvForm::RunPageCommand(int index)
{
    if (index < 0 || index >= pageCount())
        return;
    const PageDescriptor &d = m_pages[index].descriptor;
    m_page->setCurrentIndex(index);
    const PageFileCommands &f = d.fileCommands;
    m_fileNew->setEnabled(f.newFile);
    m_fileOpen->setEnabled(f.open);
    setEditEnabled(f.edit);
    m_fileSave->setEnabled(offered(f.save));
    m_saveAs->setEnabled(offered(f.saveAs));
    if (ShellPage *p = hostedPage(index))
        p->PageCommand();
    if (d.focus)
        if (QWidget *w = findChild<QWidget *>(QLatin1String(d.focus)))
            w->setFocus();
}

void TporvForm::PHButClick() { RunPageCommand(pageIndex(QStringLiteral("phdir"))); }
void TporvForm::PbuttClick() { RunPageCommand(pageIndex(QStringLiteral("system"))); }
void TporvForm::EbuttClick() { RunPageCommand(pageIndex(QStringLiteral("Events"))); }
void TporvForm::RFbuttClick() { RunPageCommand(pageIndex(QStringLiteral("RFid_SU"))); }

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
    for (int i = 0; i < pageCount(); ++i)
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
    const int page = currentPage();
    if (page < 0 || !m_pages[page].descriptor.fileCommands.open)
        return;
    if (ShellPage *p = hostedPage(page))
        p->FileOpen();
}

void TporvForm::FileSave1Execute()
{
    // Save is the directory's, on whatever page it runs.
    for (int i = 0; i < pageCount(); ++i)
        if (m_pages[i].descriptor.fileCommands.savesOnEveryPage)
            if (ShellPage *p = hostedPage(i))
                p->FileSave();
}

void TporvForm::SaveAsClick()
{
    const int page = currentPage();
    if (page < 0 || m_pages[page].descriptor.fileCommands.saveAs == FileOffer::Off)
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

} // namespace porv
