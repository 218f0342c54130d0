// The parameters page in the real window, logged on to the simulated unit over
// the network link: Write All stores the blocks, Read All in a fresh window
// shows the same values.
#include <QCheckBox>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include "link.h"
#include "shell_fixture.h"

using namespace shelltest;

namespace {

class ParametersWindow : public ShellTest {
protected:
    void logOnOverNetwork()
    {
        ASSERT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
        writeRecord(true, "127.0.0.2", QByteArray());
        makeWindow();
        clickLogOn({});
        ASSERT_TRUE(WaitFor([this] { return window->link().LoggedOn; }, 20000)) << lastMessage().toStdString();
        showParametersPage();
    }

    // The page command, as the user's click on the tool button.
    void showParametersPage() { Click(button("Pbutt")); }

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
    Click(push("WriteAll"));
    ASSERT_TRUE(WaitFor([this] { return window->statusText(1) == QStringLiteral("Ready"); }, 30000));
    EXPECT_EQ(window->seam().lastText(), QStringLiteral("ReWrite all Messages & Operating Parameters?"));

    // Ring count 40 went out clamped to 35; the rest as the start values give.
    QByteArray expected = settingsBlockOfStartValues();
    expected[4] = char(35);
    EXPECT_EQ(unit.block(0), expected);
    EXPECT_EQ(unit.block(1).left(2), QByteArray("\x12\x3F"));
    EXPECT_EQ(unit.block(12).left(9), QByteArray("HELLO \xE9T\xC9"));
    EXPECT_EQ(edit("Phs_rc")->text(), QStringLiteral("35"));

    // A fresh window reads everything back.
    window.reset();
    QDir::setCurrent(dir.path());
    makeWindow();
    clickLogOn({});
    ASSERT_TRUE(WaitFor([this] { return window->link().LoggedOn; }, 20000)) << lastMessage().toStdString();
    showParametersPage();
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
    type("Phs_run", QString());
    unit.resetCounts();
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
