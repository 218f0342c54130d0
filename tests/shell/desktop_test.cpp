// The window as a desktop program: the Log On lamp, names, keys and tab order
// through the accessibility interface, the link trace, and the transfer
// window's count.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAbstractItemView>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "link.h"
#include "shell_fixture.h"
#include "transferform.h"
#include "unit_seed.h"

using namespace shelltest;

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(a, nullptr);
    return a;
}

void doAction(QObject *object, const QString &action)
{
    QAccessibleInterface *a = accessible(object);
    ASSERT_NE(a->actionInterface(), nullptr);
    ASSERT_TRUE(a->actionInterface()->actionNames().contains(action)) << action.toStdString();
    a->actionInterface()->doAction(action);
}

// Text as the user types it, one key at a time.
void type(QLineEdit *box, const char *text)
{
    for (const char *c = text; *c; ++c) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QLatin1Char(*c)));
        QCoreApplication::sendEvent(box, &press);
    }
}

// The accessible children of a menu bar or menu, by name.
QAccessibleInterface *menuItem(QWidget *menu, const QString &name)
{
    QAccessibleInterface *m = accessible(menu);
    for (int i = 0; i < m->childCount(); ++i)
        if (m->child(i)->text(QAccessible::Name) == name)
            return m->child(i);
    ADD_FAILURE() << "no item " << name.toStdString();
    return nullptr;
}

} // namespace

class ShellDesktop : public ShellTest {
protected:
    // A seeded unit and a window aimed at it.
    porv::TporvForm &networkWindow(const QByteArray &pin = "1234", int records = 0)
    {
        qx4::SeedOptions seed;
        seed.pin = pin;
        seed.records = records;
        seed.events = 0;
        seed.tags = 0;
        qx4::seedUnit(unit, seed);
        EXPECT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
        writeRecord(true, porv::test::UnitAddress, QByteArray());
        return makeWindow();
    }
    template <typename T = QWidget> T *control(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
};

TEST_F(ShellDesktop, EveryPressOfTheLampRunsOneLogOnOrLogOff)
{
    networkWindow();
    QToolButton *led = button("led");
    const QString toggle = QAccessibleActionInterface::toggleAction();

    // Toggle logs on once, with the lamp marked while the log-on runs.
    bool markedDuringDialog = false;
    window->seam().queueDialog([&](QDialog &d) {
        markedDuringDialog = led->isChecked();
        FillLogOn({})(d);
    });
    window->seam().queueDialog(FillLogOn({}));
    doAction(led, toggle);
    EXPECT_TRUE(window->link().LoggedOn());
    EXPECT_TRUE(markedDuringDialog);
    EXPECT_FALSE(led->isChecked());
    EXPECT_EQ(window->seam().pendingDialogs(), 1); // one log-on, not two
    EXPECT_EQ(accessible(led)->text(QAccessible::Name), QStringLiteral("Log Off"));

    doAction(led, toggle);
    EXPECT_FALSE(window->link().LoggedOn());
    EXPECT_FALSE(led->isChecked());
    EXPECT_EQ(window->seam().pendingDialogs(), 1);

    // A key and a mouse click: the same, once each.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(led, &down);
    QCoreApplication::sendEvent(led, &up);
    EXPECT_TRUE(window->link().LoggedOn());
    EXPECT_FALSE(led->isChecked());
    EXPECT_EQ(window->seam().pendingDialogs(), 0);
    clickLed();
    EXPECT_FALSE(window->link().LoggedOn());
    EXPECT_FALSE(accessible(led)->state().checked);

    // A cancelled log-on leaves the lamp unmarked.
    LogOnEntry cancel;
    cancel.ok = false;
    window->seam().queueDialog(FillLogOn(cancel));
    doAction(led, toggle);
    EXPECT_FALSE(window->link().LoggedOn());
    EXPECT_FALSE(led->isChecked());
    EXPECT_EQ(unit.commandCount("a"), 2);
}

TEST_F(ShellDesktop, NamesKeysMnemonicsAndTabOrderThroughTheAccessibilityInterface)
{
    auto &w = makeWindow();
    // Every button and tool button, the grids and the receive view are named.
    for (QAbstractButton *b : w.findChildren<QAbstractButton *>())
        EXPECT_FALSE(accessible(b)->text(QAccessible::Name).isEmpty())
            << b->metaObject()->className() << " " << b->objectName().toStdString();
    for (const char *grid : {"DBGrid1", "DBGrid2", "DBGrid3"})
        EXPECT_FALSE(accessible(control(grid))->text(QAccessible::Name).isEmpty()) << grid;
    EXPECT_FALSE(accessible(control("RxMemo"))->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(accessible(button("led"))->text(QAccessible::Name), QStringLiteral("Log On"));

    // The menus keep their captions and gain mnemonics; the keys are shown.
    const QList<std::pair<QString, QString>> top = {{QStringLiteral("Window"), QStringLiteral("Alt+W")},
                                                    {QStringLiteral("Connect"), QStringLiteral("Alt+C")},
                                                    {QStringLiteral("Ports"), QStringLiteral("Alt+P")},
                                                    {QStringLiteral("UpdatePorts"), QStringLiteral("Alt+U")}};
    for (const auto &[name, key] : top) {
        QAccessibleInterface *item = menuItem(w.menuBar(), name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(QAccessible::Accelerator), key) << name.toStdString();
    }
    // Save As and Exit on the platform's keys (the usual ones where it has none).
    const auto key = [](QKeySequence::StandardKey k, const char *usual) {
        return QKeySequence::keyBindings(k).value(0, QKeySequence(QLatin1String(usual))).toString();
    };
    EXPECT_EQ(menuItem(menu("File1"), QStringLiteral("Save As..."))->text(QAccessible::Accelerator),
              key(QKeySequence::SaveAs, "Ctrl+Shift+S"));
    EXPECT_EQ(menuItem(menu("File1"), QStringLiteral("Exit"))->text(QAccessible::Accelerator),
              key(QKeySequence::Quit, "Ctrl+Q"));
    EXPECT_EQ(menuItem(menu("Connect1"), QStringLiteral("Log On"))->text(QAccessible::Accelerator),
              QStringLiteral("Ctrl+L"));
    const QStringList pages = {QStringLiteral("phonelist"), QStringLiteral("Parameter"), QStringLiteral("Events"),
                               QStringLiteral("RFID Codes")};
    auto *tabs = control<QTabWidget>("Page");
    for (int i = 3; i >= 0; --i) {
        QAccessibleInterface *item = menuItem(menu("Window1"), pages[i]);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(QAccessible::Accelerator), QStringLiteral("Ctrl+%1").arg(i + 1));
        item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(tabs->currentIndex(), i);
    }

    // Tab reaches the receive view after the grid and the edit boxes.
    QList<QWidget *> chain;
    for (QWidget *x = w.nextInFocusChain(); x != &w; x = x->nextInFocusChain())
        chain << x;
    const qsizetype memo = chain.indexOf(control("RxMemo"));
    for (const char *name : {"DBGrid1", "Namef", "RoomNumber", "PHnumber", "Code1", "Code2"})
        EXPECT_LT(chain.indexOf(control(name)), memo) << name;
}

TEST_F(ShellDesktop, TheLinkTraceHoldsTheSessionsCommandsAndNoPin)
{
    // Eight-digit codes that nothing else in the session holds.
    const QByteArray pin = "47113859";
    networkWindow(pin, 5);
    LogOnEntry entry;
    entry.pin = pin;
    clickLogOn(entry);
    ASSERT_TRUE(window->link().LoggedOn()) << lastMessage().toStdString();
    Click(control<QPushButton>("GetData"));
    // The access codes: written (p0003, read back with r0003) and read again.
    type(control<QLineEdit>("NewPin2"), "58294710");
    type(control<QLineEdit>("EmgyCode1"), "13579246");
    window->seam().queueAnswer(true); // the other codes were never read: clear them
    Click(control<QPushButton>("UpDatePIN"));
    EXPECT_EQ(lastMessage(), QStringLiteral("NEW CODES Programmed"));
    EXPECT_EQ(unit.block(3).mid(4, 4), QByteArray("\x58\x29\x47\x10"));
    Click(control<QPushButton>("ReadPins"));

    const QString path = dir.filePath(QStringLiteral("trace.txt"));
    window->seam().queueFileName(path);
    action("SaveLinkTrace1")->trigger();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    const QByteArray trace = file.readAll();
    for (const QByteArray &line : {QByteArray(" > a[hidden]\\r\n"), QByteArray(" > d01281152\\r\n"),
                                   QByteArray(" > p0003[hidden]\\r\n"), QByteArray(" > r0003\\r\n"),
                                   QByteArray(" < [hidden]\\r\\n\n"), QByteArray(" < OK\\r\\n\n")})
        EXPECT_TRUE(trace.contains(line)) << line.toStdString();
    // The dump's records came through with their names, rooms and numbers, their
    // release codes hidden; the dialog said what the file holds.
    const qx4::DirectoryRecord first = unit.directoryRecords().value(0);
    ASSERT_FALSE(first.code1.isEmpty());
    EXPECT_TRUE(trace.contains(first.room + ",[hidden],")) << trace.toStdString();
    EXPECT_TRUE(trace.contains(first.name)) << trace.toStdString();
    EXPECT_EQ(window->seam().fileRequests().last().title,
              QStringLiteral("Save link trace: the clients' names, rooms and phone numbers are in it; the PINs, "
                             "the gate codes and the release codes are hidden"));
    for (const QByteArray &secret : {pin, pin.left(4), QByteArray("58294710"), QByteArray("13579246")})
        EXPECT_FALSE(trace.contains(secret)) << secret.toStdString();
}

TEST_F(ShellDesktop, TheTransferWindowCountsRecordsAndRestsWhileHidden)
{
    networkWindow("1234", 20);
    porv::TransferForm &transfer = window->transferForm();
    auto *timer = transfer.findChild<QTimer *>(QStringLiteral("Timer1"));
    EXPECT_FALSE(timer->isActive());
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());

    // What the window shows while the transfers run: looked at inside their
    // waits, and whenever the unit takes a command or sends a line, so that no
    // record's count is missed however busy the machine is.
    QStringList counts;
    bool timerRan = false;
    bool watching = true;
    const auto look = [&] {
        if (!watching)
            return;
        timerRan = timerRan || timer->isActive();
        if (!transfer.progressText().isEmpty() && counts.value(counts.size() - 1) != transfer.progressText())
            counts << transfer.progressText();
    };
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, look);
    QObject::connect(&unit, &qx4::SimulatedUnit::send, window.get(), look);
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), look);
    watch.start();
    Click(control<QPushButton>("GetData"));
    ASSERT_FALSE(counts.isEmpty());
    // What came, not the memory's capacity.
    EXPECT_TRUE(counts.last().endsWith(QLatin1String(" received"))) << counts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(counts.filter(QStringLiteral(" of ")).isEmpty()) << counts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(timerRan);
    counts.clear();
    window->seam().queueAnswer(true);
    Click(control<QPushButton>("WriteData"));
    watch.stop();
    watching = false;
    // The automatic backup's read counts first, then the write's records.
    EXPECT_TRUE(counts.contains(QStringLiteral("1 of 20"))) << counts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(counts.last(), QStringLiteral("20 of 20"));
    EXPECT_FALSE(transfer.isVisible());
    EXPECT_TRUE(transfer.progressText().isEmpty());
    EXPECT_FALSE(timer->isActive());
}
