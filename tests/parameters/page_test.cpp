// The SystemControls page through its real widgets: the option rules, the
// logged-on controls, and that every tab fits the window's page area.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "fake_unit.h"
#include "link.h"
#include "parameterspage.h"

using porv::ParametersPage;
using porv::test::RecordingShell;

namespace {

class PageTest : public ::testing::Test {
protected:
    template <typename T>
    T *w(const char *name)
    {
        T *found = page.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    porv::Link link;
    RecordingShell shell;
    ParametersPage page{link, shell};
};

TEST_F(PageTest, EveryFieldHasItsControl)
{
    for (const porv::FieldDescription &s : porv::ParameterFields::Descriptions())
        EXPECT_NE(page.findChild<QWidget *>(QString::fromLatin1(s.name)), nullptr) << s.name.constData();
    for (const char *name : {"PhParam", "TabSheet3", "WriteAll", "ReadAll", "UpLoad", "ReadPara0", "ReadPara1",
                             "WritePara0", "WritePara1", "ReadCode", "WriteCode", "ReadSpd", "WriteSpd",
                             "divertRead", "divertWrite", "ReadMsgs", "SaveParam", "ReadPins", "UpDatePIN"})
        EXPECT_NE(page.findChild<QWidget *>(QString::fromLatin1(name)), nullptr) << name;
    QTabWidget *tabs = w<QTabWidget>("PhParam");
    ASSERT_EQ(tabs->count(), 6);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Setting"));
    EXPECT_EQ(tabs->tabText(5), QStringLiteral("Access PIN"));
    EXPECT_EQ(w<QLineEdit>("Phs_ls")->text(), QStringLiteral("20"));
    EXPECT_EQ(w<QLineEdit>("spd3")->text(), QStringLiteral("36003"));
}

TEST_F(PageTest, LoggedOnControlsFollowTheLogOn)
{
    page.show();
    page.SetLoggedOn(false);
    QTabWidget *tabs = w<QTabWidget>("PhParam");
    EXPECT_FALSE(w<QPushButton>("WriteAll")->isEnabled());
    EXPECT_FALSE(w<QPushButton>("SaveParam")->isEnabled());
    EXPECT_FALSE(tabs->isTabEnabled(5));
    page.SetLoggedOn(true);
    EXPECT_TRUE(w<QPushButton>("WriteAll")->isEnabled());
    EXPECT_TRUE(w<QPushButton>("UpLoad")->isEnabled());
    EXPECT_TRUE(tabs->isTabEnabled(5));
    // The Messages "Write" button follows the tab shown.
    tabs->setCurrentIndex(4);
    EXPECT_FALSE(w<QPushButton>("SaveParam")->isEnabled());
    tabs->setCurrentIndex(1);
    EXPECT_TRUE(w<QPushButton>("SaveParam")->isEnabled());
    EXPECT_FALSE(w<QPushButton>("UpLoad")->isVisible());
}

TEST_F(PageTest, Relay2PressesThroughTheBoxes)
{
    page.show();
    w<QTabWidget>("PhParam")->setCurrentIndex(1);
    auto *normal = w<QCheckBox>("rly2off");
    auto *key = w<QCheckBox>("rly2key");
    auto *timer = w<QCheckBox>("rly2tim");
    EXPECT_FALSE(timer->isEnabled());
    key->click();
    EXPECT_TRUE(key->isChecked());
    EXPECT_FALSE(normal->isChecked());
    EXPECT_TRUE(timer->isEnabled());
    EXPECT_TRUE(page.fields().visible("Label31"));
    EXPECT_FALSE(w<QLabel>("Label31")->isHidden());
    timer->click();
    EXPECT_TRUE(page.fields().checked("rly2tim"));
    normal->click(); // pressing Normal never unchecks it
    EXPECT_TRUE(normal->isChecked());
    EXPECT_FALSE(key->isChecked());
    EXPECT_FALSE(timer->isChecked());
    EXPECT_FALSE(timer->isEnabled());
    EXPECT_TRUE(w<QLabel>("Label31")->isHidden());
    normal->click();
    EXPECT_TRUE(normal->isChecked());
}

TEST_F(PageTest, LcdLine2AndKeylessThroughTheBoxes)
{
    page.show();
    auto *fixed = w<QRadioButton>("RadioButton1");
    auto *scroll = w<QRadioButton>("PS2_srl2");
    auto *pulsing = w<QRadioButton>("PS1_pmsg");
    auto *clock = w<QCheckBox>("PS1_sclk");
    clock->click();
    scroll->click();
    EXPECT_FALSE(clock->isEnabled());
    EXPECT_TRUE(clock->isChecked());
    pulsing->click();
    w<QCheckBox>("PS2_klmsg")->click();
    EXPECT_TRUE(fixed->isChecked());
    EXPECT_FALSE(pulsing->isChecked());
    EXPECT_FALSE(pulsing->isEnabled());
    EXPECT_TRUE(clock->isEnabled());
    // A value that clears a radio button leaves its group without a selection.
    page.fields().setChecked("RadioButton1", false);
    EXPECT_FALSE(fixed->isChecked());
    EXPECT_FALSE(scroll->isChecked());
}

TEST_F(PageTest, GlobalCodesAndTimeBoxesThroughTheWidgets)
{
    page.show();
    auto *gcod = w<QCheckBox>("PS2_gcod");
    gcod->click();
    gcod->click();
    EXPECT_FALSE(w<QLabel>("Label47")->isHidden());
    EXPECT_EQ(w<QLineEdit>("code_g1")->palette().color(QPalette::Text), QColor(128, 128, 0));

    w<QTabWidget>("PhParam")->setCurrentIndex(4);
    QLineEdit *box = w<QLineEdit>("MaskEdit1");
    box->setFocus();
    box->setCursorPosition(0);
    QTest::keyClicks(box, QStringLiteral("073"));
    EXPECT_EQ(box->displayText(), QStringLiteral("07:30"));
    EXPECT_EQ(page.fields().text("time1s"), "0730");
}

TEST_F(PageTest, TypingIsLimitedButLongerValuesShowWhole)
{
    page.show();
    w<QTabWidget>("PhParam")->setCurrentIndex(2);
    QLineEdit *code = w<QLineEdit>("code_g1");
    code->setFocus();
    QTest::keyClicks(code, QStringLiteral("123456"));
    EXPECT_EQ(page.fields().text("code_g1"), "1234");
    page.fields().setText("code_g1", "12345678");
    EXPECT_EQ(code->text(), QStringLiteral("12345678"));
}

TEST_F(PageTest, TypedTextShowsAsTheFieldHoldsIt)
{
    page.show();
    QLineEdit *msg = w<QLineEdit>("msg0");
    msg->setFocus();
    for (const QChar c : QStringLiteral("A\u00E9\u20AC")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(msg, &press);
    }
    EXPECT_EQ(page.fields().text("msg0"), "A\xE9?");
    EXPECT_EQ(msg->text(), QStringLiteral("A\u00E9?"));
}

TEST_F(PageTest, EveryTabFitsThePageArea)
{
    page.resize(780, 470);
    page.show();
    page.SetLoggedOn(true);
    // The notes of the RelayCodes tab shown: the fullest state of the tab.
    page.fields().PressRelay2("rly2line");
    page.fields().ShowGlobalCodesState();
    const QSize need = page.minimumSizeHint();
    EXPECT_LE(need.width(), 780);
    EXPECT_LE(need.height(), 470);
    auto *tabs = w<QTabWidget>("PhParam");
    const QString out = qEnvironmentVariable("PORV_PAGE_PNG_DIR");
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QWidget *tab = tabs->widget(i);
        EXPECT_LE(tab->minimumSizeHint().width(), tab->width()) << i;
        EXPECT_LE(tab->minimumSizeHint().height(), tab->height()) << i;
        if (!out.isEmpty())
            page.grab().save(QDir(out).filePath(QStringLiteral("parameters_tab%1.png").arg(i)));
    }
}

} // namespace
