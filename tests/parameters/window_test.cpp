// The parameters page in the real window, logged on to the simulated unit over
// the network link: Write All stores the blocks, Read All in a fresh window
// shows the same values.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "application.h"
#include "link.h"
#include "shell_fixture.h"

using namespace shelltest;

namespace {

class ParametersWindow : public ShellTest {
protected:
    void logOnOverNetwork()
    {
        ASSERT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
        writeRecord(true, porv::test::UnitAddress, QByteArray());
        makeWindow();
        clickLogOn({});
        ASSERT_TRUE(WaitFor([this] { return window->link().LoggedOn(); }, 20000)) << lastMessage().toStdString();
        showParametersPage();
    }

    // The page command, as the user's click on the tool button.
    void showParametersPage() { Click(button("Pbutt")); }

    // A fresh window logged on to the same unit, the page shown.
    void reopenWindow()
    {
        window.reset();
        QDir::setCurrent(dir.path());
        makeWindow();
        clickLogOn({});
        ASSERT_TRUE(WaitFor([this] { return window->link().LoggedOn(); }, 20000)) << lastMessage().toStdString();
        showParametersPage();
    }

    // Write All answered Yes, with no question but its own.
    void writeAllAskingNothingElse()
    {
        window->seam().clearTexts();
        window->seam().queueAnswer(true);
        Click(push("WriteAll"));
        ASSERT_TRUE(WaitFor([this] { return window->statusText(1) == QStringLiteral("Ready"); }, 30000));
        EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("ReWrite all Messages & Operating Parameters?")});
    }

    QLineEdit *edit(const char *name) const { return window->findChild<QLineEdit *>(QLatin1String(name)); }
    QCheckBox *check(const char *name) const { return window->findChild<QCheckBox *>(QLatin1String(name)); }
    // Replaces a box's text as the user types it.
    void type(const char *name, const QString &text)
    {
        QLineEdit *box = edit(name);
        ASSERT_NE(box, nullptr) << name;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        // Each character as a key press carrying it, Latin-1 letters included.
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(box, &press);
            QCoreApplication::sendEvent(box, &release);
        }
    }
    QPushButton *push(const char *name) const { return window->findChild<QPushButton *>(QLatin1String(name)); }
};

QByteArray settingsBlockOfStartValues()
{
    return QByteArray("\x01\x03\x05\x03\x02\x14\x14\x03\x0F\x00\x05\x00\x00\x01\x20\x00\x14", 17)
         + QByteArray(13, '\0') + QByteArray("\x00\x84", 2);
}

} // namespace

TEST_F(ParametersWindow, WriteAllThenReadAllInAFreshWindow)
{
    logOnOverNetwork();
    ASSERT_NE(push("WriteAll"), nullptr);
    ASSERT_TRUE(push("WriteAll")->isEnabled());
    type("code_g1", QStringLiteral("123"));
    type("msg0", QStringLiteral("HELLO \xE9T\xC9"));
    type("Phs_rc", QStringLiteral("40"));
    window->seam().queueAnswer(true);
    window->seam().queueAnswer(true); // speed dials and diverts never read
    Click(push("WriteAll"));
    ASSERT_TRUE(WaitFor([this] { return window->statusText(1) == QStringLiteral("Ready"); }, 30000));
    EXPECT_TRUE(window->seam().texts().contains(QStringLiteral("ReWrite all Messages & Operating Parameters?")));

    // Ring count 40 went out clamped to 35; the rest as the start values give.
    QByteArray expected = settingsBlockOfStartValues();
    expected[4] = char(35);
    EXPECT_EQ(unit.block(0), expected);
    EXPECT_EQ(unit.block(1).left(2), QByteArray("\x12\x3F"));
    EXPECT_EQ(unit.block(12).left(9), QByteArray("HELLO \xE9T\xC9"));
    EXPECT_EQ(edit("Phs_rc")->text(), QStringLiteral("35"));

    // A fresh window reads everything back.
    reopenWindow();
    EXPECT_TRUE(edit("code_g1")->text().isEmpty());
    Click(push("ReadAll"));
    ASSERT_TRUE(WaitFor([this] { return edit("code_g1")->text() == QStringLiteral("123"); }, 30000));
    EXPECT_EQ(edit("msg0")->text(), QStringLiteral("HELLO \xE9T\xC9"));
    EXPECT_EQ(edit("Phs_rc")->text(), QStringLiteral("35"));
    EXPECT_EQ(edit("Phs_run")->text(), QStringLiteral("3"));
}

TEST_F(ParametersWindow, EmptySettingFailsBeforeAnythingIsSentForTheSettingsBlock)
{
    logOnOverNetwork();
    // The page says why its command stopped; nothing is left for the
    // application's last-resort handler to catch.
    porv::Application::SetFailureSink([](const QString &message) { ADD_FAILURE() << message.toStdString(); });
    type("Phs_run", QString());
    unit.resetCounts();
    window->seam().queueAnswer(true);
    window->seam().queueAnswer(true);
    Click(push("WriteAll"));
    ASSERT_TRUE(WaitFor([this] {
        return window->seam().lastText() == QStringLiteral("'' is not a valid integer value");
    }, 30000));
    for (const QByteArray &c : unit.lastCommands())
        EXPECT_FALSE(c.startsWith("p0000")) << c.constData();
    // The window still answers: a read goes through.
    Click(push("ReadAll"));
    EXPECT_TRUE(WaitFor([this] { return !edit("Phs_run")->text().isEmpty(); }, 30000));
    EXPECT_GT(unit.commandCount("r") + unit.commandCount("d"), 0);
}

TEST_F(ParametersWindow, Relay2BoxesComeBackAsTheyWentOut)
{
    logOnOverNetwork();
    window->findChild<QTabWidget *>(QStringLiteral("PhParam"))->setCurrentIndex(1);
    auto boxes = [this] {
        QByteArray on;
        for (const char *name : {"rly2off", "rly2key", "rly2line", "rly2ring", "rly2tim"})
            on += check(name)->isChecked() ? '1' : '0';
        return on;
    };
    Click(check("rly2key"));
    Click(check("rly2line"));
    ASSERT_EQ(boxes(), "01100");
    const QString path = dir.filePath(QStringLiteral("relay.sys"));
    window->seam().queueFileName(path);
    action("SaveAs")->trigger();

    // Another choice on the page; the file brings back key and line, nothing else.
    Click(check("rly2off"));
    Click(check("rly2ring"));
    window->seam().queueFileName(path);
    action("FileOpen1")->trigger();
    EXPECT_EQ(boxes(), "01100");

    // The unit gets 03 and gives it back as the same boxes.
    Click(push("WritePara1"));
    ASSERT_TRUE(WaitFor([this] { return window->statusText(1) == QStringLiteral("Ready"); }, 30000));
    EXPECT_EQ(unit.block(0).at(12), '\x03');
    Click(check("rly2off"));
    Click(push("ReadPara1"));
    EXPECT_EQ(boxes(), "01100");
}

TEST_F(ParametersWindow, ControlBytesFromAFileGoOutAsSpacesOneCommandPerBlock)
{
    logOnOverNetwork();
    QByteArray bytes(467, '\0');
    bytes.replace(45, 6, QByteArray("\x05" "AB\rCD"));  // msg0
    bytes.replace(130, 4, QByteArray("\x03" "X\nY"));   // msg2
    bytes.replace(319, 3, QByteArray("\x02" "00"));     // relay-2
    const QString path = dir.filePath(QStringLiteral("control.sys"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    window->seam().queueFileName(path);
    action("FileOpen1")->trigger();
    EXPECT_EQ(edit("msg0")->text(), QStringLiteral("AB CD"));

    unit.resetCounts();
    Click(push("SaveParam"));
    ASSERT_TRUE(WaitFor([this] { return window->statusText(1) == QStringLiteral("Ready"); }, 30000));
    EXPECT_EQ(unit.commandCount("p"), 4);
    EXPECT_EQ(unit.commandCount("unknown"), 0);
    EXPECT_EQ(unit.block(12).left(5), "AB CD");
    EXPECT_EQ(unit.block(13).left(3), "X Y");
}

TEST_F(ParametersWindow, PinWriteAsksBeforeClearingCodesItNeverRead)
{
    // The unit holds PIN 1111 and emergency code 12345678; the rest is empty.
    QByteArray nibbles = "1111????" + QByteArray(24, '?') + "12345678" + QByteArray(24, '?');
    QByteArray block;
    for (int i = 0; i < 64; i += 2)
        block += char(((nibbles[i] - '0') << 4) | (nibbles[i + 1] - '0'));
    unit.setBlock(3, block);
    logOnOverNetwork();
    window->findChild<QTabWidget *>(QStringLiteral("PhParam"))->setCurrentIndex(5);
    type("NewPin2", QStringLiteral("2222"));
    unit.resetCounts();
    window->seam().clearTexts();
    Click(push("UpDatePIN")); // answered No
    EXPECT_EQ(window->seam().texts(),
              QStringList{QStringLiteral("Clear the unit's PINs and emergency codes that are empty here?")});
    Pump(50);
    EXPECT_EQ(unit.commandCount("p"), 0);
    EXPECT_EQ(unit.block(3), block);

    // Read first: writing then asks nothing.
    Click(push("ReadPins"));
    ASSERT_EQ(edit("NewPin")->text(), QStringLiteral("1111"));
    type("NewPin2", QStringLiteral("2222"));
    window->seam().clearTexts();
    Click(push("UpDatePIN"));
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("NEW CODES Programmed")});
    EXPECT_EQ(unit.block(3).left(6), QByteArray("\x11\x11\xFF\xFF\x22\x22"));
    EXPECT_EQ(unit.block(3).mid(16, 4), QByteArray("\x12\x34\x56\x78"));
}

TEST_F(ParametersWindow, ReadWithoutAnswerSaysSoOnceAndChangesNothing)
{
    logOnOverNetwork();
    type("msg0", QStringLiteral("KEEP"));
    type("code_g1", QStringLiteral("42"));
    type("NewPin", QStringLiteral("5678"));
    unit.faults().silent = true;
    window->seam().clearTexts();
    Click(push("ReadAll"));
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("No answer from the unit.")});
    EXPECT_EQ(window->statusText(0), QStringLiteral("No answer reading blocks 0012 to 0015"));
    window->seam().clearTexts();
    Click(push("ReadCode"));
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("No answer from the unit.")});
    EXPECT_EQ(window->statusText(0), QStringLiteral("No answer reading block 0000"));
    Click(push("ReadPins"));
    EXPECT_EQ(window->statusText(0), QStringLiteral("No answer reading block 0003"));
    EXPECT_EQ(edit("msg0")->text(), QStringLiteral("KEEP"));
    EXPECT_EQ(edit("msg1")->text(), QString());
    EXPECT_EQ(edit("code_g1")->text(), QStringLiteral("42"));
    EXPECT_EQ(edit("Phs_run")->text(), QStringLiteral("3"));
    EXPECT_EQ(edit("NewPin")->text(), QStringLiteral("5678"));

    // What the page holds is what goes out afterwards.
    unit.faults().silent = false;
    window->seam().queueAnswer(true);
    window->seam().queueAnswer(true);
    Click(push("WriteAll"));
    ASSERT_TRUE(WaitFor([this] { return window->statusText(1) == QStringLiteral("Ready"); }, 30000));
    EXPECT_EQ(unit.block(12).left(5), QByteArray("KEEP\xFF"));
    EXPECT_EQ(unit.block(1).left(2), QByteArray("\x42\xFF"));
    EXPECT_EQ(unit.block(0).at(3), '\x03');
}

TEST_F(ParametersWindow, WritingValuesNeverReadAsksFirst)
{
    unit.setBlock(1, QByteArray("\x12\x34\xFF\xFF", 4));
    unit.setBlock(8, QByteArray("\x01\x23\xFF", 3));
    unit.setBlock(12, "UNIT MESSAGE");
    QList<QByteArray> before;
    for (int b : {0, 1, 2, 5, 8, 9, 12, 13, 14, 15})
        before << unit.block(b);
    logOnOverNetwork();
    unit.resetCounts();
    window->seam().clearTexts();
    window->seam().queueAnswer(true); // the rewrite question; the next is answered No
    Click(push("WriteAll"));
    const QString tail = QStringLiteral(" were never read from the unit or a file. Write them anyway?");
    EXPECT_EQ(window->seam().texts(),
              (QStringList{QStringLiteral("ReWrite all Messages & Operating Parameters?"),
                           QStringLiteral("The gate codes, messages, speed dials, diverts and settings") + tail}));
    // Each block's own Write asks alike.
    const QList<std::pair<const char *, QString>> buttons = {
        {"WritePara0", QStringLiteral("The settings")},    {"WritePara1", QStringLiteral("The settings")},
        {"WriteCode", QStringLiteral("The gate codes")},   {"WriteSpd", QStringLiteral("The speed dials")},
        {"divertWrite", QStringLiteral("The diverts and settings")}, {"SaveParam", QStringLiteral("The messages")}};
    for (const auto &[name, groups] : buttons) {
        window->seam().clearTexts();
        Click(push(name));
        EXPECT_EQ(window->seam().texts(), QStringList{groups + tail}) << name;
    }
    Pump(50);
    EXPECT_EQ(unit.commandCount("p"), 0);
    QList<QByteArray> after;
    for (int b : {0, 1, 2, 5, 8, 9, 12, 13, 14, 15})
        after << unit.block(b);
    EXPECT_EQ(after, before);

    // Yes writes; after Read All nothing is asked but the rewrite question.
    window->seam().queueAnswer(true);
    Click(push("WriteCode"));
    ASSERT_TRUE(WaitFor([this] { return window->statusText(1) == QStringLiteral("Ready"); }, 30000));
    EXPECT_EQ(unit.block(1).left(2), QByteArray("\xFF\xFF"));
    unit.setBlock(1, QByteArray("\x56\xFF", 2));
    Click(push("ReadAll"));
    ASSERT_EQ(edit("code_g1")->text(), QStringLiteral("56"));
    writeAllAskingNothingElse();
    EXPECT_EQ(unit.block(12).left(12), QByteArray("UNIT MESSAGE"));
    EXPECT_EQ(unit.block(8).left(3), QByteArray("\x01\x23\xFF", 3));
}

TEST_F(ParametersWindow, ValuesFromAFileOrTypedWriteWithoutAsking)
{
    logOnOverNetwork();
    const QString path = dir.filePath(QStringLiteral("site.sys"));
    type("msg0", QStringLiteral("FROM FILE"));
    window->seam().queueFileName(path);
    action("SaveAs")->trigger();

    // A fresh window opens the file: its codes, messages and speed dials are
    // known; the diverts and the settings the file does not hold are not.
    reopenWindow();
    window->seam().queueFileName(path);
    action("FileOpen1")->trigger();
    window->seam().clearTexts();
    Click(push("SaveParam"));
    ASSERT_TRUE(WaitFor([this] { return window->statusText(1) == QStringLiteral("Ready"); }, 30000));
    EXPECT_TRUE(window->seam().texts().isEmpty()) << window->seam().texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(unit.block(12).left(9), QByteArray("FROM FILE"));
    window->seam().queueAnswer(true);
    Click(push("WriteAll"));
    EXPECT_EQ(window->seam().texts().last(),
              QStringLiteral("The diverts and some of the settings were never read from the unit or a file. "
                             "Write them anyway?"));

    // The user's own values count as known for their whole group.
    window->findChild<QTabWidget *>(QStringLiteral("PhParam"))->setCurrentIndex(4);
    type("divert1", QStringLiteral("0299"));
    window->findChild<QTabWidget *>(QStringLiteral("PhParam"))->setCurrentIndex(0);
    type("Phs_rc", QStringLiteral("4"));
    writeAllAskingNothingElse();
    EXPECT_EQ(unit.block(5).left(2), QByteArray("\x02\x99"));
}
