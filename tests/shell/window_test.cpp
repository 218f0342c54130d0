// The main window's layout, page commands, File-command enabling, Ports menu,
// transfer window and the general failure handler.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include "application.h"
#include "delay.h"
#include "failures.h"
#include "images.h"
#include "session.h"
#include "shell_fixture.h"
#include "shellpage.h"
#include "transferform.h"

using namespace shelltest;

namespace {

// A page class that records what the window routes to it.
class RecordingPage : public QWidget, public porv::ShellPage {
public:
    QStringList calls;
    void FileOpen() override { calls << QStringLiteral("open"); }
    void FileSaveAs() override { calls << QStringLiteral("saveas"); }
    void FileSave() override { calls << QStringLiteral("save"); }
    void FileNew() override { calls << QStringLiteral("new"); }
    void LogOnStarting() override { calls << QStringLiteral("logonstarting"); }
    void SetLoggedOn(bool on) override { calls << (on ? QStringLiteral("on") : QStringLiteral("off")); }
    void PageCommand() override { calls << QStringLiteral("shown"); }
};

} // namespace

using ShellWindow = ShellTest;

TEST_F(ShellWindow, StartsWithItsPagesMenusToolBarAndTitle)
{
    ports = {QStringLiteral("ttyS0")};
    auto &w = makeWindow();
    EXPECT_EQ(w.objectName(), QStringLiteral("porvForm"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KVR Portavel QX4_       Programmer   =Porv-Pro=  V8.4"));
    const int menuHeight = w.menuBar()->height();
    EXPECT_EQ(w.width(), 789);
    EXPECT_EQ(w.height() - menuHeight, 546);

    auto *page = w.findChild<QTabWidget *>(QStringLiteral("Page"));
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->count(), 4);
    const char *names[4] = {"phdir", "system", "Events", "RFid_SU"};
    const char *captions[4] = {"PhoneDataBase", "SystemControls", "Events", "RFid_SU"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(page->widget(i)->objectName(), QLatin1String(names[i]));
        EXPECT_EQ(page->tabText(i), QLatin1String(captions[i]));
    }
    EXPECT_EQ(page->currentIndex(), 0);

    auto *memo = w.findChild<QPlainTextEdit *>(QStringLiteral("RxMemo"));
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(page->widget(0)->isAncestorOf(memo));

    EXPECT_EQ(w.imageList().count(), 29);
    for (int i = 0; i < 29; ++i)
        EXPECT_EQ(w.imageList().image(i).size(), QSize(16, 16)) << i;
    // The three lamps differ.
    const QImage off = w.imageList().image(22).toImage();
    const QImage on = w.imageList().image(21).toImage();
    const QImage going = w.imageList().image(20).toImage();
    EXPECT_NE(off, on);
    EXPECT_NE(on, going);
    EXPECT_NE(off, going);
    EXPECT_EQ(w.ledImage(), 22);

    for (const char *name : {"FileNew1", "FileOpen1", "FileSave1", "SaveAs", "FileExit1", "EditCut1", "EditCopy1",
                             "EditPaste1", "PHList1", "Parameter1", "Events1", "RFIDCodes1", "HelpAbout1",
                             "OnLine1", "UpdatePorts1", "phlistb", "Parab", "Eventb"})
        EXPECT_NE(action(name), nullptr) << name;
    for (const char *name : {"Edit1", "Connect1", "ports"})
        EXPECT_NE(menu(name), nullptr) << name;
    for (const char *name : {"TBnew", "TBOpen", "TBSave", "PHBut", "Pbutt", "Ebutt", "RFbutt", "led"})
        EXPECT_NE(button(name), nullptr) << name;
    EXPECT_EQ(button("PHBut")->toolTip(), QStringLiteral("Phone List Page"));
    EXPECT_EQ(button("Pbutt")->toolTip(), QStringLiteral("Parameter Setting Page"));
    EXPECT_EQ(button("Ebutt")->toolTip(), QStringLiteral("Event display Page"));
    EXPECT_EQ(button("RFbutt")->toolTip(), QStringLiteral("RFID Setup"));
    EXPECT_EQ(action("HelpAbout1")->text(), QStringLiteral("&About..."));
    EXPECT_EQ(action("SaveAs")->text(), QStringLiteral("Save &As..."));

    auto *animate = w.findChild<QLabel *>(QStringLiteral("Animate1"));
    ASSERT_NE(animate, nullptr);
    EXPECT_EQ(animate->size(), QSize(33, 32));
    EXPECT_EQ(animate->toolTip(), QStringLiteral("OFF Line"));

    auto *panel0 = w.statusBar()->findChild<QLabel *>(QStringLiteral("Panel0"));
    ASSERT_NE(panel0, nullptr);
    EXPECT_EQ(panel0->width(), 320);

    // Timer2 and Timer4 are the window's connection's.
    auto *timer4 = w.connection().findChild<QTimer *>(QStringLiteral("Timer4"), Qt::FindDirectChildrenOnly);
    ASSERT_NE(timer4, nullptr);
    EXPECT_TRUE(timer4->isActive());
    EXPECT_FALSE(w.connection().findChild<QTimer *>(QStringLiteral("Timer2"))->isActive());
    for (const char *name : {"Timer1", "Timer3"})
        EXPECT_FALSE(w.findChild<QTimer *>(QLatin1String(name), Qt::FindDirectChildrenOnly)->isActive()) << name;
}

TEST_F(ShellWindow, PageCommandsSetTheFileCommands)
{
    auto &w = makeWindow();
    auto *page = w.findChild<QTabWidget *>(QStringLiteral("Page"));
    // The start-up reset offers Save and Save As.
    EXPECT_TRUE(action("FileSave1")->isEnabled());
    EXPECT_TRUE(button("TBSave")->isEnabled());
    EXPECT_TRUE(action("SaveAs")->isEnabled());

    Click(button("Pbutt"));
    EXPECT_EQ(page->currentIndex(), 1);
    EXPECT_FALSE(action("FileNew1")->isEnabled());
    EXPECT_FALSE(action("FileSave1")->isEnabled());
    EXPECT_FALSE(button("TBSave")->isEnabled());
    EXPECT_FALSE(menu("Edit1")->menuAction()->isEnabled());
    EXPECT_TRUE(action("SaveAs")->isEnabled());
    EXPECT_TRUE(action("FileOpen1")->isEnabled());
    EXPECT_TRUE(button("TBOpen")->isEnabled());

    Click(button("Ebutt"));
    EXPECT_EQ(page->currentIndex(), 2);
    EXPECT_FALSE(action("SaveAs")->isEnabled()); // no event download yet
    EXPECT_FALSE(action("FileOpen1")->isEnabled());
    w.SetEventsLoaded(true);
    action("Events1")->trigger();
    EXPECT_TRUE(action("SaveAs")->isEnabled());

    action("RFIDCodes1")->trigger();
    EXPECT_EQ(page->currentIndex(), 3);
    EXPECT_FALSE(action("SaveAs")->isEnabled());
    EXPECT_FALSE(action("FileOpen1")->isEnabled());

    Click(button("PHBut"));
    EXPECT_EQ(page->currentIndex(), 0);
    EXPECT_TRUE(action("FileNew1")->isEnabled());
    EXPECT_TRUE(action("FileOpen1")->isEnabled());
    EXPECT_TRUE(menu("Edit1")->menuAction()->isEnabled());
    EXPECT_TRUE(action("FileSave1")->isEnabled());
    EXPECT_TRUE(action("SaveAs")->isEnabled());

    // A tab click runs no page command: the File commands stay as they were.
    page->setCurrentIndex(1);
    EXPECT_TRUE(action("FileSave1")->isEnabled());
}

TEST_F(ShellWindow, FileCommandsGoToThePageShowing)
{
    auto &w = makeWindow();
    // The window owns its pages.
    RecordingPage *owned[4];
    for (int i = 0; i < 4; ++i) {
        owned[i] = new RecordingPage;
        w.hostPage(i, owned[i], owned[i]);
    }
    auto pages = [&owned](int i) -> RecordingPage & { return *owned[i]; };
    auto *page = w.findChild<QTabWidget *>(QStringLiteral("Page"));

    page->setCurrentIndex(0);
    action("FileOpen1")->trigger();
    action("SaveAs")->trigger();
    EXPECT_EQ(pages(0).calls, QStringList({QStringLiteral("open"), QStringLiteral("saveas")}));

    // Save on the parameters page still saves the directory.
    page->setCurrentIndex(1);
    action("FileOpen1")->trigger();
    action("FileSave1")->trigger();
    action("SaveAs")->trigger();
    EXPECT_EQ(pages(1).calls, QStringList({QStringLiteral("open"), QStringLiteral("saveas")}));
    EXPECT_EQ(pages(0).calls.last(), QStringLiteral("save"));

    page->setCurrentIndex(2);
    action("FileOpen1")->trigger();
    action("SaveAs")->trigger();
    EXPECT_EQ(pages(2).calls, QStringList({QStringLiteral("saveas")}));

    page->setCurrentIndex(3);
    action("FileOpen1")->trigger();
    action("SaveAs")->trigger();
    EXPECT_TRUE(pages(3).calls.isEmpty());

    // File New resets every page and logs off.
    for (int i = 0; i < 4; ++i)
        pages(i).calls.clear();
    action("FileNew1")->trigger();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pages(i).calls, QStringList({QStringLiteral("new"), QStringLiteral("off")})) << i;
    Click(button("RFbutt"));
    EXPECT_EQ(pages(3).calls.last(), QStringLiteral("shown"));
}

TEST_F(ShellWindow, LoggedOnControlsOfLaterPagesAreFoundByName)
{
    auto &w = makeWindow();
    auto *host = new QWidget;
    auto *tabs = new QTabWidget(host);
    tabs->setObjectName(QStringLiteral("PhParam"));
    auto *pinTab = new QWidget;
    pinTab->setObjectName(QStringLiteral("TabSheet3"));
    tabs->addTab(new QWidget, QStringLiteral("Setting"));
    tabs->addTab(pinTab, QStringLiteral("Access PIN"));
    auto *readAll = new QPushButton(QStringLiteral("Read All"), host);
    readAll->setObjectName(QStringLiteral("ReadAll"));
    auto *getData = new QPushButton(QStringLiteral("GetData"), host);
    getData->setObjectName(QStringLiteral("GetData"));
    w.hostPage(1, host, nullptr);

    w.SetLoggedOnControls();
    EXPECT_TRUE(readAll->isEnabled());
    EXPECT_TRUE(tabs->isTabEnabled(1));
    w.SetLoggedOffState();
    EXPECT_FALSE(readAll->isEnabled());
    EXPECT_FALSE(getData->isEnabled());
    EXPECT_FALSE(tabs->isTabEnabled(1));
    EXPECT_TRUE(tabs->isTabEnabled(0));
}

TEST_F(ShellWindow, PortsMenuListsNinePortsThenWiFiUnderTheirFullNamesThenOther)
{
    for (int i = 0; i < 12; ++i)
        ports << QStringLiteral("ttyUSB%1").arg(i);
    auto &w = makeWindow();
    const QList<QAction *> entries = menu("ports")->actions();
    ASSERT_EQ(entries.size(), 11);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(entries.at(i)->text(), QStringLiteral("ttyUSB%1").arg(i));
        EXPECT_EQ(entries.at(i)->objectName(), QStringLiteral("ttyUSB%1").arg(i));
    }
    EXPECT_EQ(entries.at(9)->text(), QStringLiteral("WiFi"));
    EXPECT_EQ(entries.at(10)->text(), QStringLiteral("Other\u2026"));
    // No remembered details: nothing ticked, Log On waits for a port.
    for (QAction *a : entries)
        EXPECT_FALSE(a->isChecked());
    EXPECT_FALSE(button("led")->isEnabled());
    EXPECT_EQ(button("led")->toolTip(), QStringLiteral("Set Port First"));
    EXPECT_FALSE(action("OnLine1")->isEnabled());

    entries.at(3)->trigger();
    EXPECT_TRUE(entries.at(3)->isChecked());
    EXPECT_EQ(w.session().SerialPortName(), QStringLiteral("ttyUSB3"));
    EXPECT_FALSE(w.session().NetworkSelected);
    EXPECT_TRUE(button("led")->isEnabled());
    EXPECT_EQ(button("led")->toolTip(), QStringLiteral("Log On"));
    EXPECT_TRUE(action("OnLine1")->isEnabled());

    entries.at(9)->trigger();
    EXPECT_TRUE(w.session().NetworkSelected);
    EXPECT_FALSE(entries.at(3)->isChecked());

    action("UpdatePorts1")->trigger();
    for (QAction *a : menu("ports")->actions())
        EXPECT_FALSE(a->isChecked());
    EXPECT_FALSE(button("led")->isEnabled());
    EXPECT_EQ(button("led")->toolTip(), QStringLiteral("Set port First"));
    EXPECT_FALSE(menu("Connect1")->menuAction()->isEnabled());
    // The choice stays in force until an entry is chosen.
    EXPECT_TRUE(w.session().NetworkSelected);
}

TEST_F(ShellWindow, NoSerialPortsLeavesWiFiAndOther)
{
    auto &w = makeWindow();
    EXPECT_TRUE(w.seam().texts().contains(QStringLiteral("No Serial Port Found")));
    const QList<QAction *> entries = menu("ports")->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries.at(0)->text(), QStringLiteral("WiFi"));
    EXPECT_EQ(entries.at(1)->objectName(), QStringLiteral("OtherPort"));
}

TEST_F(ShellWindow, RememberedPortIsPreselectedOnlyWhenItsCutNameIsUnambiguous)
{
    // Stored cut to 6 characters: "ttyUSB" fits two ports, so none is chosen.
    ports = {QStringLiteral("ttyS0"), QStringLiteral("ttyUSB1"), QStringLiteral("ttyUSB10")};
    writeRecord(false, QByteArray(), "ttyUSB10");
    makeWindow();
    for (QAction *a : menu("ports")->actions())
        EXPECT_FALSE(a->isChecked()) << a->objectName().toStdString();
    EXPECT_FALSE(button("led")->isEnabled());
    EXPECT_EQ(button("led")->toolTip(), QStringLiteral("Set Port First"));
    closeWindow();

    // The only port that begins with it is chosen.
    ports = {QStringLiteral("ttyS0"), QStringLiteral("ttyUSB10")};
    auto &w = makeWindow();
    EXPECT_TRUE(action("ttyUSB10")->isChecked());
    EXPECT_EQ(w.session().SerialPortName(), QStringLiteral("ttyUSB10"));
    EXPECT_TRUE(button("led")->isEnabled());
    EXPECT_TRUE(menu("Connect1")->menuAction()->isEnabled());
    closeWindow();

    // An exact name wins over a longer one that begins with it.
    ports = {QStringLiteral("ttyS10"), QStringLiteral("ttyS1")};
    writeRecord(false, QByteArray(), "ttyS1");
    makeWindow();
    EXPECT_TRUE(action("ttyS1")->isChecked());
    EXPECT_FALSE(action("ttyS10")->isChecked());
}

TEST_F(ShellWindow, RememberedNetworkFlagTicksWiFiEvenWithSerialPorts)
{
    ports = {QStringLiteral("ttyS0")};
    writeRecord(true, porv::test::UnitAddress, "ttyS0");
    auto &w = makeWindow();
    EXPECT_TRUE(action("WiFi")->isChecked());
    EXPECT_FALSE(action("ttyS0")->isChecked());
    EXPECT_TRUE(w.session().NetworkSelected);
    EXPECT_TRUE(button("led")->isEnabled());
}

TEST_F(ShellWindow, TransferWindowCyclesItsPicturesAndReportsInPanelZero)
{
    auto &w = makeWindow();
    porv::TransferForm &t = w.transferForm();
    EXPECT_TRUE(t.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(t.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(t.size(), QSize(271, 79));
    w.ShowTransfer();
    EXPECT_TRUE(t.isVisible());
    EXPECT_EQ(w.statusText(0), QStringLiteral("DownLoading."));
    QList<int> seen;
    for (int i = 0; i < 8; ++i) {
        t.Timer1Timer();
        seen << t.visibleImage();
    }
    EXPECT_EQ(seen, QList<int>({2, 3, 2, 1, 2, 3, 2, 1}));
    // Shown again: the first tick shows Image2.
    t.Timer1Timer();
    w.HideTransfer();
    EXPECT_EQ(w.statusText(0), QStringLiteral("Done"));
    w.ShowTransfer();
    t.Timer1Timer();
    EXPECT_EQ(t.visibleImage(), 2);
    w.HideTransfer();
}

TEST_F(ShellWindow, LampBlinkAlternatesOnlineAndOfflineImages)
{
    auto &w = makeWindow();
    w.SetLedImage(21);
    w.Timer1Timer();
    EXPECT_EQ(w.ledImage(), 22);
    w.Timer1Timer();
    EXPECT_EQ(w.ledImage(), 21);
    w.SetLedImage(20);
    w.Timer1Timer();
    EXPECT_EQ(w.ledImage(), 22);
}

TEST_F(ShellWindow, AFailureInAHandlerIsShownAndTheWindowStillAnswers)
{
    auto &w = makeWindow();
    QTimer::singleShot(0, &w, [] { throw porv::ConversionError("12a"); });
    ASSERT_TRUE(WaitFor([&] { return w.seam().lastText() == QStringLiteral("'12a' is not a valid integer value"); }));
    Click(button("Pbutt"));
    EXPECT_EQ(w.findChild<QTabWidget *>(QStringLiteral("Page"))->currentIndex(), 1);

    QTimer::singleShot(0, &w, [] { throw std::runtime_error("plain failure"); });
    ASSERT_TRUE(WaitFor([&] { return w.seam().lastText() == QStringLiteral("plain failure"); }));
}

TEST_F(ShellWindow, AFailureInsideAWaitEndsOnlyTheHandlerThatThrew)
{
    auto &w = makeWindow();
    bool outerFinished = false;
    bool innerGoesOn = false;
    QTimer::singleShot(0, &w, [&] {
        QTimer::singleShot(1, &w, [&] {
            throw porv::FileError(QStringLiteral("Cannot open file \"x.csv\"."));
            innerGoesOn = true; // never reached
        });
        porv::Delay(200);
        outerFinished = true;
    });
    ASSERT_TRUE(WaitFor([&] { return outerFinished; }));
    EXPECT_FALSE(innerGoesOn);
    EXPECT_EQ(w.seam().lastText(), QStringLiteral("Cannot open file \"x.csv\"."));
}

TEST_F(ShellWindow, AboutBoxHoldsItsTexts)
{
    auto &w = makeWindow();
    int result = -1;
    w.seam().queueDialog([&](QDialog &d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("About"));
        QStringList texts;
        for (QLabel *l : d.findChildren<QLabel *>())
            texts << l->text();
        EXPECT_TRUE(texts.contains(QStringLiteral("QX4 PORTAVEL PROGRAMMER")));
        EXPECT_TRUE(texts.contains(QStringLiteral("8.3  Dec 2015")));
        EXPECT_TRUE(texts.contains(QStringLiteral("Version:")));
        EXPECT_TRUE(texts.contains(QStringLiteral("For Portavels with S/W version 6.2+")));
        Click(d.findChild<QPushButton *>(QStringLiteral("OKButton")));
        result = d.result();
    });
    action("HelpAbout1")->trigger();
    EXPECT_EQ(result, QDialog::Accepted);
}

TEST_F(ShellWindow, ReceiveViewShowsWhatTheLinkReceives)
{
    auto &w = makeWindow();
    auto *memo = w.findChild<QPlainTextEdit *>(QStringLiteral("RxMemo"));
    w.link().ReceiveText(QByteArray("Portavel\r\nOK\r", 13));
    w.link().ReceiveText(QByteArray("\n\xe9t\xe9", 4));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Portavel\nOK\n\u00e9t\u00e9"));
    w.link().ClearReceiveView();
    EXPECT_TRUE(memo->toPlainText().isEmpty());
}

TEST_F(ShellWindow, ExitClosesTheWindow)
{
    auto &w = makeWindow();
    action("FileExit1")->trigger();
    EXPECT_FALSE(w.isVisible());
}

// "Use Global Gate Codes" on the parameters page recolours the directory
// grid's code columns (olive) and leaves the other columns alone.
TEST_F(ShellWindow, GlobalGateCodesRecolourTheDirectoryCodeColumns)
{
    makeWindow();
    auto *grid = window->findChild<QAbstractItemView *>(QStringLiteral("DBGrid1"));
    auto *global = window->findChild<QCheckBox *>(QStringLiteral("PS2_gcod"));
    if (!grid || !global)
        GTEST_SKIP() << "the directory or parameters page is not part of this build";
    QAbstractItemModel *model = grid->model();
    auto titleColour = [model](const char *field) {
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString() == QLatin1String(field))
                return model->headerData(c, Qt::Horizontal, Qt::ForegroundRole).value<QColor>();
        return QColor();
    };
    const QColor before = titleColour("Code1");
    Click(button("Pbutt"));
    Click(global);
    ASSERT_TRUE(global->isChecked());
    const QColor after = titleColour("Code1");
    EXPECT_NE(after, before);
    EXPECT_EQ(titleColour("Name"), before);
    Click(global);
    EXPECT_EQ(titleColour("Code1"), before);
}
