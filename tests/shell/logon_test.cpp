// Log-on and log-off of the real window against the simulated unit over UDP on
// loopback, a serial pseudo-terminal, and the modem.
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include "delay.h"
#include "link.h"
#include "link_test_access.h"
#include "remembered.h"
#include "serialtransport.h"
#include "session.h"
#include "shell_fixture.h"

using namespace shelltest;

namespace {

const QString Generic = QStringLiteral("KVR Portavel QX4_       Programmer   =Porv-Pro=  V8.4");

// The window's own timers and those of its connection (Timer2, Timer4); the
// transfer window has a Timer1 of its own.
QTimer *windowTimer(porv::TporvForm &w, const char *name)
{
    if (auto *own = w.findChild<QTimer *>(QLatin1String(name), Qt::FindDirectChildrenOnly))
        return own;
    return w.connection().findChild<QTimer *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

// Starts the unit program at the tests' tick scale; returns what it said by
// the time `ready` appeared in its output, or empty when it ended first.
QByteArray StartUnitProgram(QProcess &program, QStringList arguments, const QByteArray &ready)
{
    arguments << QStringLiteral("--time-scale") << QString::number(porv::TickScale());
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(QX4_UNIT_EXECUTABLE), arguments);
    if (!program.waitForStarted())
        return QByteArray();
    QByteArray said;
    WaitFor([&] {
        said += program.readAll();
        return said.contains(ready) || program.state() != QProcess::Running;
    });
    return program.state() == QProcess::Running && said.contains(ready) ? said : QByteArray();
}

void StopUnitProgram(QProcess &program)
{
    program.write("quit\n");
    if (!program.waitForFinished(3000))
        program.kill();
}

} // namespace

class ShellLogOn : public ShellTest {
protected:
    // A window aimed at the simulated unit over the network link.
    porv::TporvForm &networkWindow(qx4::Model model = qx4::Model::Qx4_1000)
    {
        unit.setModel(model);
        EXPECT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
        writeRecord(true, porv::test::UnitAddress, QByteArray());
        return makeWindow();
    }

    void expectLoggedOff()
    {
        EXPECT_FALSE(window->link().LoggedOn());
        EXPECT_FALSE(window->ledMarked());
        EXPECT_EQ(window->ledImage(), 22);
        EXPECT_TRUE(menu("ports")->menuAction()->isEnabled());
        EXPECT_TRUE(action("UpdatePorts1")->isEnabled());
        EXPECT_TRUE(button("led")->isEnabled());
        EXPECT_EQ(button("led")->toolTip(), QStringLiteral("Log On"));
        EXPECT_EQ(action("OnLine1")->text(), QStringLiteral("Log On"));
        EXPECT_FALSE(windowTimer(*window, "Timer2")->isActive());
        EXPECT_FALSE(window->session().NetworkOpen());
        EXPECT_FALSE(window->session().SerialOpen());
    }

    void expectLoggedOn(const QString &title)
    {
        EXPECT_TRUE(window->link().LoggedOn());
        EXPECT_TRUE(unit.loggedOn());
        EXPECT_EQ(window->statusText(0), QStringLiteral("Connected"));
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_EQ(window->ledImage(), 21);
        EXPECT_FALSE(window->ledMarked());
        EXPECT_EQ(button("led")->toolTip(), QStringLiteral("Log Off"));
        EXPECT_EQ(action("OnLine1")->text(), QStringLiteral("Log Off"));
        EXPECT_FALSE(menu("ports")->menuAction()->isEnabled());
        EXPECT_FALSE(action("UpdatePorts1")->isEnabled());
        EXPECT_TRUE(windowTimer(*window, "Timer2")->isActive());
        EXPECT_EQ(window->findChild<QLabel *>(QStringLiteral("Animate1"))->toolTip(), QStringLiteral("On Line"));
    }
};

TEST_F(ShellLogOn, OverTheNetworkLinkAndOff)
{
    networkWindow(qx4::Model::Qx4_200);
    EXPECT_TRUE(action("WiFi")->isChecked());
    clickLogOn({});
    expectLoggedOn(QStringLiteral("KVR Portavel QX4_200    Programmer   =Porv-Pro=  V8.4"));
    EXPECT_EQ(window->session().MemoryLimit, 0x2A00);
    EXPECT_EQ(window->connection().MemoryLimit(), 0x2A00);
    EXPECT_TRUE(window->session().NetworkOpen());
    EXPECT_GE(unit.commandCount("prompt"), 1);
    EXPECT_EQ(unit.commandCount("a"), 1);
    // The PIN never shows in the status bar.
    EXPECT_FALSE(window->statusText(1).contains(QStringLiteral("1234")));

    clickLed(); // Log Off
    expectLoggedOff();
    EXPECT_TRUE(WaitFor([&] { return unit.commandCount("x") == 1; }));
    // The title keeps the last model.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KVR Portavel QX4_200    Programmer   =Porv-Pro=  V8.4"));
    EXPECT_EQ(window->findChild<QLabel *>(QStringLiteral("Animate1"))->toolTip(), QStringLiteral("OFF Line"));
}

TEST_F(ShellLogOn, OverASerialPseudoTerminal)
{
    unit.setModel(qx4::Model::Qx4_500);
    ASSERT_TRUE(startPtyUnit()) << pty->errorString().toStdString();
    auto &w = makeWindow();
    // The pseudo-terminal is the only port: choose it in the Ports menu.
    const QList<QAction *> entries = menu("ports")->actions();
    ASSERT_EQ(entries.size(), 3);
    entries.at(0)->trigger();
    clickLogOn({});
    expectLoggedOn(QStringLiteral("KVR Portavel QX4_500    Programmer   =Porv-Pro=  V8.4"));
    EXPECT_EQ(w.session().MemoryLimit, 0x5100);
    EXPECT_TRUE(w.session().SerialOpen());
    EXPECT_EQ(w.session().serial().baudRate(), 57600);
    EXPECT_FALSE(w.session().NetworkOpen());
    clickLed();
    expectLoggedOff();
    EXPECT_TRUE(WaitFor([&] { return unit.commandCount("x") == 1; }));
}

TEST_F(ShellLogOn, ThroughTheModem)
{
    unit.setModel(qx4::Model::Qx4_100);
    unit.setModemEnabled(true);
    ASSERT_TRUE(startPtyUnit());
    makeWindow();
    menu("ports")->actions().at(0)->trigger();
    LogOnEntry entry;
    entry.remote = true;
    entry.number = "0123456789";
    clickLogOn(entry);
    expectLoggedOn(QStringLiteral("KVR Portavel QX4_100    Programmer   =Porv-Pro=  V8.4"));
    EXPECT_TRUE(window->link().RemoteMode());
    EXPECT_EQ(window->session().serial().baudRate(), 9600);
    EXPECT_GE(unit.commandCount("atz"), 1);
    EXPECT_GE(unit.commandCount("ate0"), 1);
    EXPECT_EQ(unit.commandCount("atd"), 1);
    EXPECT_TRUE(unit.lastCommands().contains(QByteArray("atd0123456789")));
    EXPECT_EQ(window->session().MemoryLimit, 0x1D00);
}

TEST_F(ShellLogOn, AnImmediateConnectIsNotLost)
{
    unit.setModemEnabled(true);
    qx4::TimingSettings timing = unit.timing();
    timing.connectDelayMs = 0;
    timing.replyDelayMs = 0;
    unit.setTiming(timing);
    ASSERT_TRUE(startPtyUnit());
    makeWindow();
    menu("ports")->actions().at(0)->trigger();
    LogOnEntry entry;
    entry.remote = true;
    entry.number = "5551234";
    clickLogOn(entry);
    EXPECT_FALSE(window->seam().texts().contains(QStringLiteral("Failed to connect")));
    EXPECT_TRUE(window->link().LoggedOn());
}

TEST_F(ShellLogOn, LogOffDuringTheDialEndsTheWait)
{
    unit.setModemEnabled(true);
    qx4::TimingSettings timing = unit.timing();
    timing.connectDelayMs = 10000000; // never within the dial wait
    unit.setTiming(timing);
    ASSERT_TRUE(startPtyUnit());
    makeWindow();
    menu("ports")->actions().at(0)->trigger();
    // Measured on the clock the waits are kept on, which leaves out the time
    // a busy machine gives to other programs.
    qint64 sinceLogOff = -1;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, window.get(), [&] {
        if (window->statusText(0) == QStringLiteral("waiting for Connection") && sinceLogOff < 0) {
            sinceLogOff = porv::WaitClockNow();
            clickLed(); // Log Off inside the waiting log-on
        }
    });
    watcher.start(2);
    LogOnEntry entry;
    entry.remote = true;
    entry.number = "5551234";
    clickLogOn(entry);
    watcher.stop();
    ASSERT_GE(sinceLogOff, 0);
    // Ended within a few 600-tick waits, not after the whole dial wait of 101.
    const qint64 wholeDial = qint64(101 * 600 * porv::TickNanoseconds * porv::TickScale());
    EXPECT_LT(porv::WaitClockNow() - sinceLogOff, wholeDial / 4);
    EXPECT_EQ(window->seam().lastText(), QStringLiteral("Failed to connect"));
    expectLoggedOff();
}

TEST_F(ShellLogOn, WrongPinFailsAndLogsOff)
{
    networkWindow();
    LogOnEntry entry;
    entry.pin = "9999";
    clickLogOn(entry);
    EXPECT_EQ(window->seam().lastText(), QStringLiteral("Failed to Connect\r\nCheck PIN"));
    expectLoggedOff();
    EXPECT_FALSE(unit.loggedOn());
}

TEST_F(ShellLogOn, SilentUnitGivesNoResponse)
{
    unit.faults().silent = true;
    networkWindow();
    clickLogOn({});
    EXPECT_EQ(window->seam().lastText(), QStringLiteral("No Reponse from Portavel"));
    expectLoggedOff();
    EXPECT_EQ(unit.commandCount("prompt"), 6);
}

TEST_F(ShellLogOn, CancelLeavesTheWindowLoggedOff)
{
    networkWindow();
    window->seam().clearTexts();
    LogOnEntry entry;
    entry.ok = false;
    clickLogOn(entry);
    EXPECT_TRUE(window->seam().texts().isEmpty());
    expectLoggedOff();
    EXPECT_EQ(unit.commandCount("prompt"), 0);
}

TEST_F(ShellLogOn, EachModelGivesItsMemoryLimitAndTitle)
{
    struct Case { qx4::Model model; int limit; const char *title; };
    const Case cases[] = {
        {qx4::Model::Qx4_100, 0x1D00, "KVR Portavel QX4_100    Programmer   =Porv-Pro=  V8.4"},
        {qx4::Model::Qx4_200, 0x2A00, "KVR Portavel QX4_200    Programmer   =Porv-Pro=  V8.4"},
        {qx4::Model::Qx4_500, 0x5100, "KVR Portavel QX4_500    Programmer   =Porv-Pro=  V8.4"},
        {qx4::Model::Qx4_1000, 0x9000, "KVR Portavel QX4_1000    Programmer   =Porv-Pro=  V8.4"},
    };
    networkWindow();
    EXPECT_EQ(window->connection().MemoryLimit(), 0x9000); // before the first log-on
    for (const Case &c : cases) {
        unit.setModel(c.model);
        clickLogOn({});
        EXPECT_TRUE(window->link().LoggedOn());
        EXPECT_EQ(window->session().MemoryLimit, c.limit);
        EXPECT_EQ(window->windowTitle(), QLatin1String(c.title));
        clickLed();
    }
    // An unknown model: MemoryLimit 0, the title stays, the log-on goes on.
    unit.setModel(qx4::Model::Unknown);
    unit.setUnknownModel("Portavel_300_Qx4", 0x2A00);
    clickLogOn({});
    EXPECT_TRUE(window->link().LoggedOn());
    EXPECT_EQ(window->session().MemoryLimit, 0);
    EXPECT_EQ(window->windowTitle(), QLatin1String(cases[3].title));
}

TEST_F(ShellLogOn, KeepAlivePromptsAfterFifteenSecondsAndLogsOffASilentUnit)
{
    networkWindow();
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());
    const int prompts = unit.commandCount("prompt");
    // The keep-alive's seconds are Timer2's: counted as it fires, so that a
    // busy machine, whose timers fire late, only makes the test take longer.
    int seconds = 0;
    QObject::connect(windowTimer(*window, "Timer2"), &QTimer::timeout, window.get(), [&] { ++seconds; });
    const auto secondsPass = [&](int n) {
        const int until = seconds + n;
        return WaitFor([&] { return seconds >= until; }, 120000);
    };
    // Twelve seconds: nothing goes out.
    ASSERT_TRUE(secondsPass(12));
    EXPECT_EQ(unit.commandCount("prompt"), prompts);
    // By sixteen: exactly one CR prompt, acknowledged, still logged on.
    ASSERT_TRUE(WaitFor([&] { return unit.commandCount("prompt") == prompts + 1; }, 120000));
    EXPECT_LE(seconds, 16);
    ASSERT_TRUE(secondsPass(3));
    EXPECT_EQ(unit.commandCount("prompt"), prompts + 1);
    EXPECT_TRUE(window->link().LoggedOn());

    // While a bulk transfer counts lines, no prompt goes out.
    window->link().BeginBulkReply();
    ASSERT_TRUE(secondsPass(40));
    EXPECT_EQ(unit.commandCount("prompt"), prompts + 1);
    window->link().EndBulkReply();

    // A unit that stops answering is logged off at the next prompt.
    unit.faults().silent = true;
    ASSERT_TRUE(WaitFor([&] { return !window->link().LoggedOn(); }, 120000));
    EXPECT_EQ(unit.commandCount("prompt"), prompts + 2);
    expectLoggedOff();
}

TEST_F(ShellLogOn, LogOffDuringTheKeepAliveWaitDoesNotStartALogOn)
{
    networkWindow();
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());
    // The unit stops answering; the user logs off while the prompt waits for
    // its answer.
    unit.faults().silent = true;
    bool loggedOffInWait = false;
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), [&](const QByteArray &line) {
        if (line.isEmpty() && window->link().LoggedOn() && !loggedOffInWait) {
            loggedOffInWait = true;
            clickLed();
        }
    });
    bool dialogShown = false;
    window->seam().queueDialog([&](QDialog &d) {
        dialogShown = true;
        Click(d.findChild<QPushButton *>(QStringLiteral("Button2")));
    });
    const qint64 second = qint64(1000 * porv::TickScale());
    porv::test::LinkTestAccess::SetKeepAliveCount(window->link(), 14);
    ASSERT_TRUE(WaitFor([&] { return loggedOffInWait; }, 120000));
    Pump(int(3 * second));
    EXPECT_FALSE(dialogShown);
    expectLoggedOff();
}

TEST_F(ShellLogOn, FileNewWhileLoggedOnSendsXAndLogsOff)
{
    networkWindow(qx4::Model::Qx4_500);
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());
    action("FileNew1")->trigger();
    EXPECT_TRUE(WaitFor([&] { return unit.commandCount("x") == 1; }));
    EXPECT_FALSE(window->link().LoggedOn());
    EXPECT_EQ(window->windowTitle(), Generic);
    // The remembered network link is preselected again.
    EXPECT_TRUE(action("WiFi")->isChecked());
    EXPECT_TRUE(button("led")->isEnabled());
    // Logged off: the transport may be chosen again.
    EXPECT_TRUE(menu("ports")->menuAction()->isEnabled());
    EXPECT_TRUE(action("UpdatePorts1")->isEnabled());
}

TEST_F(ShellLogOn, FileNewWithNothingRememberedLetsThePortBeChosenAgain)
{
    ASSERT_TRUE(startPtyUnit());
    makeWindow();
    menu("ports")->actions().at(0)->trigger();
    // Enter in the PIN field logs on without writing the details file.
    window->seam().queueDialog([](QDialog &d) {
        auto *pin = d.findChild<QLineEdit *>(QStringLiteral("PorvPin"));
        pin->setText(QStringLiteral("1234"));
        emit pin->returnPressed();
    });
    clickLed();
    ASSERT_TRUE(window->link().LoggedOn());
    ASSERT_FALSE(QFile::exists(detailsPath()));

    action("FileNew1")->trigger();
    EXPECT_FALSE(window->link().LoggedOn());
    // Nothing remembered: Log On waits for a port, and the Ports menu offers one.
    EXPECT_FALSE(button("led")->isEnabled());
    ASSERT_TRUE(menu("ports")->menuAction()->isEnabled());
    EXPECT_TRUE(action("UpdatePorts1")->isEnabled());
    menu("ports")->actions().at(0)->trigger();
    EXPECT_TRUE(button("led")->isEnabled());
    clickLogOn({});
    EXPECT_TRUE(window->link().LoggedOn());
}

TEST_F(ShellLogOn, OkWritesTheRememberedDetails)
{
    networkWindow();
    LogOnEntry entry;
    entry.address = porv::test::UnitAddress;
    clickLogOn(entry);
    ASSERT_TRUE(window->link().LoggedOn());
    QFile f(detailsPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 77);
    porv::RememberedDetails r;
    r.overlay(bytes);
    EXPECT_EQ(r.pin(), QByteArray("1234"));
    EXPECT_TRUE(r.remember());
    EXPECT_TRUE(r.network());
    EXPECT_EQ(r.address(), QByteArray(porv::test::UnitAddress));
    EXPECT_EQ(QFile(detailsPath()).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther
                                                      | QFileDevice::WriteGroup | QFileDevice::WriteOther),
              QFileDevice::Permissions());
    clickLed();

    // The dialog shows the remembered PIN and the address next time.
    QString shownPin, shownAddress;
    bool numberVisible = true;
    window->seam().queueDialog([&](QDialog &d) {
        shownPin = d.findChild<QLineEdit *>(QStringLiteral("PorvPin"))->text();
        shownAddress = d.findChild<QLineEdit *>(QStringLiteral("IP_addr"))->text();
        numberVisible = d.findChild<QLineEdit *>(QStringLiteral("R_ph_num"))->isVisible();
        Click(d.findChild<QPushButton *>(QStringLiteral("Button2")));
    });
    clickLed();
    EXPECT_EQ(shownPin, QStringLiteral("1234"));
    EXPECT_EQ(shownAddress, QLatin1String(porv::test::UnitAddress));
    EXPECT_FALSE(numberVisible);
}

TEST_F(ShellLogOn, WithoutRememberDetailsOnlyThePortAndNetworkFlagAreKept)
{
    unit.setModel(qx4::Model::Qx4_200);
    ASSERT_TRUE(startPtyUnit());
    makeWindow();
    menu("ports")->actions().at(0)->trigger();
    LogOnEntry entry;
    entry.remember = false;
    clickLogOn(entry);
    ASSERT_TRUE(window->link().LoggedOn());
    porv::RememberedDetails r;
    ASSERT_TRUE(r.load(detailsPath()));
    EXPECT_TRUE(r.pin().isEmpty());
    EXPECT_TRUE(r.number().isEmpty());
    EXPECT_TRUE(r.address().isEmpty());
    EXPECT_FALSE(r.remember());
    EXPECT_FALSE(r.remote());
    EXPECT_FALSE(r.network());
    EXPECT_EQ(r.portName(), pty->slavePath().left(6).toLatin1());
    closeWindow();

    // The next start preselects the same port.
    makeWindow();
    EXPECT_TRUE(menu("ports")->actions().at(0)->isChecked());
    EXPECT_EQ(window->session().SerialPortName(), pty->slavePath());
    EXPECT_TRUE(button("led")->isEnabled());
}

TEST_F(ShellLogOn, EnterInThePinFieldLogsOnWithoutWritingTheRecord)
{
    networkWindow();
    const QByteArray before = [&] {
        QFile f(detailsPath());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    window->seam().queueDialog([](QDialog &d) {
        auto *pin = d.findChild<QLineEdit *>(QStringLiteral("PorvPin"));
        pin->setText(QStringLiteral("1234"));
        d.findChild<QCheckBox *>(QStringLiteral("StrDetail"))->setChecked(true);
        emit pin->returnPressed();
    });
    clickLed();
    EXPECT_TRUE(window->link().LoggedOn());
    QFile f(detailsPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(ShellLogOn, ADetailsFileThatCannotBeCreatedKeepsTheDialogOpen)
{
    networkWindow();
    // A folder where the file should be: it cannot be created.
    QFile::remove(detailsPath());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Porvdata.ini")));
    bool stillOpen = false;
    QString message;
    window->seam().queueDialog([&](QDialog &d) {
        d.findChild<QLineEdit *>(QStringLiteral("PorvPin"))->setText(QStringLiteral("1234"));
        d.findChild<QLineEdit *>(QStringLiteral("IP_addr"))->setText(QLatin1String(porv::test::UnitAddress));
        Click(d.findChild<QPushButton *>(QStringLiteral("Button1")));
        stillOpen = d.isVisible();
        message = window->seam().lastText();
    });
    clickLed();
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(message.contains(QStringLiteral("Porvdata.ini"))) << message.toStdString();
    // Left open, the dialog was then cancelled: logged off, nothing sent.
    expectLoggedOff();
    EXPECT_EQ(unit.commandCount("prompt"), 0);
}

TEST_F(ShellLogOn, ASerialFailureIsShownAndTheWindowStillAnswers)
{
    ASSERT_TRUE(startPtyUnit());
    makeWindow();
    menu("ports")->actions().at(0)->trigger();
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());
    // The device goes away under the open port.
    pty->close();
    ASSERT_TRUE(WaitFor([&] {
        return window->seam().lastText().contains(QStringLiteral("File function failed (Error: "));
    }));
    // The window answers: a page command still works, and Log Off ends it.
    Click(button("Pbutt"));
    clickLed();
    expectLoggedOff();
}

TEST_F(ShellLogOn, SerialPortThatCannotOpenReportsCommunicationError)
{
    ports = {QStringLiteral("/dev/no-such-tty")};
    makeWindow();
    menu("ports")->actions().at(0)->trigger();
    clickLogOn({});
    EXPECT_EQ(window->seam().lastText(), QStringLiteral("Serial Communication Error"));
    expectLoggedOff();
}

TEST_F(ShellLogOn, TheAddressFieldShowsForTheNetworkLinkBeforeAnythingIsRemembered)
{
    makeWindow();
    action("WiFi")->trigger();
    bool addressVisible = false;
    bool remoteVisible = true;
    window->seam().queueDialog([&](QDialog &d) {
        addressVisible = d.findChild<QLineEdit *>(QStringLiteral("IP_addr"))->isVisible();
        remoteVisible = d.findChild<QCheckBox *>(QStringLiteral("RChkBox"))->isVisible();
        d.findChild<QLineEdit *>(QStringLiteral("PorvPin"))->setText(QStringLiteral("1234"));
        d.findChild<QLineEdit *>(QStringLiteral("IP_addr"))->setText(QLatin1String(porv::test::UnitAddress));
        d.findChild<QCheckBox *>(QStringLiteral("StrDetail"))->setChecked(true);
        Click(d.findChild<QPushButton *>(QStringLiteral("Button2")));
    });
    clickLed();
    EXPECT_TRUE(addressVisible);
    EXPECT_FALSE(remoteVisible);
    // Cancel writes nothing.
    EXPECT_FALSE(QFile::exists(detailsPath()));
}

// The way a newcomer meets the tool: the unit program on a loopback address, a working
// directory whose details select "WiFi" and that address, Log On, the PIN.
TEST_F(ShellLogOn, AgainstTheUnitProgramOverTheNetwork)
{
    QProcess program;
    // It says so once its port is bound.
    ASSERT_FALSE(StartUnitProgram(program,
                                  {QStringLiteral("--udp"), QLatin1String(porv::test::UnitAddress), QStringLiteral("--model"),
                                   QStringLiteral("1000"), QStringLiteral("--pin"), QStringLiteral("1234")},
                                  "listening on " + QByteArray(porv::test::UnitAddress) + " port 8000")
                     .isEmpty());
    writeRecord(true, porv::test::UnitAddress, QByteArray());
    makeWindow();
    clickLogOn({});
    EXPECT_TRUE(window->link().LoggedOn()) << window->seam().lastText().toStdString();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KVR Portavel QX4_1000    Programmer   =Porv-Pro=  V8.4"));
    clickLed();
    expectLoggedOff();
    StopUnitProgram(program);
}

// The address in IP_addr when the dialog is confirmed is the one the log-on
// uses: a first network log-on has no details file to take it from.
TEST_F(ShellLogOn, TheAddressTypedInTheDialogIsUsedForThatLogOn)
{
    ASSERT_TRUE(startUdpUnit());
    makeWindow();
    action("WiFi")->trigger();
    LogOnEntry entry;
    entry.address = porv::test::UnitAddress;
    entry.remember = false;
    clickLogOn(entry);
    EXPECT_TRUE(window->link().LoggedOn()) << lastMessage().toStdString();
    clickLed();

    // Enter in the address field confirms with what it holds, too.
    window->seam().queueDialog([](QDialog &d) {
        d.findChild<QLineEdit *>(QStringLiteral("PorvPin"))->setText(QStringLiteral("1234"));
        auto *address = d.findChild<QLineEdit *>(QStringLiteral("IP_addr"));
        address->setText(QLatin1String(porv::test::UnitAddress));
        emit address->returnPressed();
    });
    clickLed();
    EXPECT_TRUE(window->link().LoggedOn()) << lastMessage().toStdString();
}

// The Remote box is hidden on the network link: a flag remembered from a modem
// log-on must not send the modem's commands to the unit.
TEST_F(ShellLogOn, ARememberedRemoteFlagIsOffOnTheNetworkLinkAndKeptInTheRecord)
{
    ASSERT_TRUE(startUdpUnit());
    porv::RememberedDetails record;
    record.setNetwork(true);
    record.setAddress(porv::test::UnitAddress);
    record.setPin("1234");
    record.setNumber("5551234");
    record.setRemember(true);
    record.setRemote(true);
    record.save(detailsPath());
    makeWindow();
    clickLogOn({});
    EXPECT_TRUE(window->link().LoggedOn()) << lastMessage().toStdString();
    EXPECT_FALSE(window->link().RemoteMode());
    EXPECT_EQ(unit.commandCount("atz"), 0);
    porv::RememberedDetails after;
    ASSERT_TRUE(after.load(detailsPath()));
    EXPECT_TRUE(after.remote());
    EXPECT_EQ(after.number(), QByteArray("5551234"));
}

TEST_F(ShellLogOn, LogOffWhileThePinAnswerIsAwaitedEndsTheLogOnQuietly)
{
    networkWindow();
    window->seam().clearTexts();
    bool loggedOff = false;
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), [&](const QByteArray &line) {
        if (line.startsWith('a') && !loggedOff) {
            loggedOff = true;
            clickLed(); // Log Off inside the PIN wait
        }
    });
    LogOnEntry entry;
    entry.pin = "9999"; // never acknowledged
    clickLogOn(entry);
    ASSERT_TRUE(loggedOff);
    EXPECT_TRUE(window->seam().texts().isEmpty()) << window->seam().texts().join(QLatin1Char('|')).toStdString();
    expectLoggedOff();
}

TEST_F(ShellLogOn, LogOffDuringADirectoryDownloadLeavesTheWindowOffLine)
{
    unit.eraseDirectory();
    for (int i = 0; i < 100; ++i) {
        qx4::DirectoryRecord r;
        r.block = 128 + i;
        r.name = "CLIENT " + QByteArray::number(i);
        r.room = QByteArray::number(100 + i);
        r.phone = QByteArray(16, '?');
        ASSERT_TRUE(unit.setDirectoryRecord(r));
    }
    qx4::TimingSettings timing = unit.timing();
    timing.lineIntervalMs = 100; // the dump arrives a line at a time
    unit.setTiming(timing);
    networkWindow();
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), [&](const QByteArray &line) {
        if (line.startsWith('d') && window->link().LoggedOn())
            clickLed(); // Log Off while the dump arrives
    });
    Click(window->findChild<QWidget *>(QStringLiteral("GetData")));
    ASSERT_FALSE(window->link().CountMode());
    expectLoggedOff();
    ASSERT_TRUE(WaitFor([&] { return unit.commandCount("x") == 1; }));
    const QList<QByteArray> sent = unit.lastCommands();
    const qint64 second = qint64(1000 * porv::TickScale());
    Pump(int(20 * second)); // past a keep-alive's 15 seconds
    EXPECT_EQ(window->ledImage(), 22);
    EXPECT_FALSE(windowTimer(*window, "Timer2")->isActive());
    EXPECT_EQ(unit.lastCommands(), sent);
    EXPECT_EQ(sent.last(), QByteArray("x"));
}

// Another copy of the tool holding the network link's port would take the
// unit's replies: the log-on is refused as for a port that cannot be bound,
// and the second box says which program and process holds the port (never a
// serial port's error on the network link).
TEST_F(ShellLogOn, ASecondCopyCannotTakeTheWiFiPort)
{
    networkWindow();
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());
    {
        porv::TporvForm second;
        second.show();
        ASSERT_TRUE(second.findChild<QAction *>(QStringLiteral("WiFi"))->isChecked());
        second.seam().clearTexts(); // what its start-up said
        second.seam().queueDialog(FillLogOn({}));
        Click(second.findChild<QToolButton *>(QStringLiteral("led")));
        EXPECT_FALSE(second.link().LoggedOn());
        const QString holder = QStringLiteral("%1 (process %2) is using the WiFi port")
                                   .arg(QCoreApplication::applicationName())
                                   .arg(QCoreApplication::applicationPid());
        EXPECT_EQ(second.seam().texts(), (QStringList{QStringLiteral("Failed to connect\r\nWiFi port"), holder}))
            << second.seam().texts().join(QLatin1Char('|')).toStdString();
        EXPECT_FALSE(second.session().NetworkOpen());
        EXPECT_TRUE(window->link().LoggedOn());

        // Once the first copy logs off, the port is free.
        clickLed();
        second.seam().queueDialog(FillLogOn({}));
        Click(second.findChild<QToolButton *>(QStringLiteral("led")));
        EXPECT_TRUE(second.link().LoggedOn()) << second.seam().lastText().toStdString();
    }
}

// A device the system's list does not show is chosen by its path: the unit
// program's pseudo-terminal, as its help and the README describe it.
TEST_F(ShellLogOn, OtherTakesADevicePathAndLogsOnThroughIt)
{
    QProcess program;
    const QByteArray said = StartUnitProgram(program, {QStringLiteral("--pty"), QStringLiteral("--model"),
                                                       QStringLiteral("500")}, " (open it as");
    const int at = int(said.indexOf("pty: "));
    ASSERT_GE(at, 0) << said.toStdString();
    const QString device = QString::fromLocal8Bit(said.mid(at + 5, said.indexOf(" (open it as") - at - 5));
    ports = {QStringLiteral("ttyS9")};
    makeWindow();
    QList<QAction *> entries = menu("ports")->actions();
    ASSERT_EQ(entries.size(), 3);
    QAction *other = entries.last();
    EXPECT_EQ(other->text(), QStringLiteral("Other\u2026"));

    // A path that leads nowhere is refused and changes nothing.
    window->seam().queueDialog([](QDialog &d) {
        d.findChild<QLineEdit *>()->setText(QStringLiteral("/dev/no-such-device"));
        Click(d.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok));
    });
    other->trigger();
    EXPECT_EQ(lastMessage(), QStringLiteral("Device not found: /dev/no-such-device"));
    EXPECT_FALSE(other->isChecked());
    EXPECT_FALSE(button("led")->isEnabled());

    window->seam().queueDialog([device](QDialog &d) {
        d.findChild<QLineEdit *>()->setText(device);
        Click(d.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok));
    });
    other->trigger();
    EXPECT_TRUE(other->isChecked());
    EXPECT_TRUE(other->text().contains(device));
    EXPECT_EQ(window->session().SerialPortName(), device);
    clickLogOn({});
    EXPECT_TRUE(window->link().LoggedOn()) << lastMessage().toStdString();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("KVR Portavel QX4_500    Programmer   =Porv-Pro=  V8.4"));
    EXPECT_TRUE(window->session().SerialOpen());
    clickLed();
    StopUnitProgram(program);
}
