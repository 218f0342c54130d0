// The field model of the parameters page and its option rules.
#include <gtest/gtest.h>

#include <QSet>

#include "fields.h"

using porv::FieldKind;
using porv::ParameterFields;

namespace {

TEST(ParameterFieldsModel, StartValuesFollowTheTable)
{
    ParameterFields f;
    EXPECT_EQ(f.text("Phs_run"), "3");
    EXPECT_EQ(f.text("Phs_ls"), "20");
    EXPECT_EQ(f.text("Phs_na"), "15");
    EXPECT_EQ(f.text("Cont_time"), "20");
    EXPECT_EQ(f.text("spd8"), "36008");
    EXPECT_EQ(f.text("time2e"), "0000");
    EXPECT_EQ(f.text("Edit4"), "testing");
    EXPECT_EQ(f.text("MaskEdit3"), "  :  ");
    EXPECT_EQ(f.text("code_g1"), "");
    EXPECT_TRUE(f.checked("PS2_grls"));
    EXPECT_TRUE(f.checked("PS2_mden"));
    EXPECT_FALSE(f.checked("PS2_srl1"));
    EXPECT_TRUE(f.checked("rly2off"));
    EXPECT_TRUE(f.checked("RadioButton1"));
    EXPECT_TRUE(f.checked("Divert4Butts"));
    EXPECT_TRUE(f.checked("Divert4ButtsNA"));
    EXPECT_FALSE(f.enabled("rly2tim"));
    EXPECT_TRUE(f.enabled("PS1_sclk"));
    EXPECT_FALSE(f.visible("Label31"));
    EXPECT_FALSE(f.visible("Bevel2"));
    EXPECT_FALSE(f.visible("Label47"));
    EXPECT_FALSE(f.olive("code_g1"));
    EXPECT_FALSE(f.visible("PS2_mden"));
    EXPECT_FALSE(f.enabled("UpLoad"));
}

TEST(ParameterFieldsModel, TableCarriesKindsLengthsAndCaptions)
{
    const porv::FieldDescription *ls = ParameterFields::Describe("Phs_ls");
    ASSERT_NE(ls, nullptr);
    EXPECT_EQ(ls->kind, FieldKind::Text);
    EXPECT_EQ(ls->length, 3);
    EXPECT_EQ(ls->caption, QStringLiteral("LCD Scroll Speed"));
    EXPECT_EQ(ls->hint, QStringLiteral("0 to 50"));
    EXPECT_EQ(ParameterFields::Describe("msg2")->length, 32);
    EXPECT_EQ(ParameterFields::Describe("Cont_time")->length, 2);
    EXPECT_EQ(ParameterFields::Describe("PS2_srl1")->caption, QStringLiteral("Sroll Line 1"));
    EXPECT_EQ(ParameterFields::Describe("PS1_pmsg")->kind, FieldKind::Radio);
    EXPECT_EQ(ParameterFields::Describe("MaskEdit2")->kind, FieldKind::Time);
    EXPECT_EQ(ParameterFields::Describe("nosuch"), nullptr);
    EXPECT_EQ(ParameterFields::Names(FieldKind::Time).size(), 4);
    // Every name is unique.
    QSet<QByteArray> names;
    for (const porv::FieldDescription &s : ParameterFields::Descriptions()) {
        EXPECT_FALSE(names.contains(s.name)) << s.name.constData();
        names.insert(s.name);
    }
}

TEST(ParameterFieldsModel, TextKeepsOnlyWhatPrecedesNul)
{
    ParameterFields f;
    f.setText("msg0", QByteArray("AB\0CD", 5));
    EXPECT_EQ(f.text("msg0"), "AB");
}

TEST(ParameterFieldsModel, RadioSelectionAndClearing)
{
    ParameterFields f;
    f.setChecked("Divert4All", true);
    EXPECT_FALSE(f.checked("Divert4Butts"));
    f.setChecked("Divert4All", false);
    EXPECT_FALSE(f.checked("Divert4Butts")); // clearing selects no other button
    EXPECT_FALSE(f.checked("Divert4All"));
    // Groups are separate.
    f.setChecked("Divert4AllNA", true);
    EXPECT_FALSE(f.checked("Divert4All"));
    EXPECT_TRUE(f.checked("Divert4AllNA"));
}

TEST(Relay2Override, NormalPressClearsEverything)
{
    ParameterFields f;
    f.PressRelay2("rly2key");
    f.setChecked("rly2tim", true);
    f.PressRelay2("rly2ring");
    f.PressRelay2("rly2off");
    EXPECT_TRUE(f.checked("rly2off"));
    EXPECT_FALSE(f.checked("rly2key"));
    EXPECT_FALSE(f.checked("rly2line"));
    EXPECT_FALSE(f.checked("rly2ring"));
    EXPECT_FALSE(f.checked("rly2tim"));
    EXPECT_FALSE(f.enabled("rly2tim"));
    EXPECT_FALSE(f.visible("Label31"));
    EXPECT_FALSE(f.visible("Bevel2"));
    // Pressing it again never unchecks it.
    f.PressRelay2("rly2off");
    EXPECT_TRUE(f.checked("rly2off"));
}

TEST(Relay2Override, LineLoopedMarksRelay2Codes)
{
    ParameterFields f;
    f.setChecked("PS2_gcod", true);
    f.PressRelay2("rly2line");
    EXPECT_TRUE(f.checked("rly2line"));
    EXPECT_FALSE(f.checked("rly2off"));
    EXPECT_TRUE(f.enabled("rly2tim"));
    EXPECT_TRUE(f.visible("Label31"));
    EXPECT_TRUE(f.visible("Bevel2"));
    EXPECT_TRUE(f.olive("code_ic2"));
    EXPECT_TRUE(f.olive("code_sd2"));
    EXPECT_FALSE(f.olive("code_g2")); // global codes in use: window text colour

    ParameterFields g;
    g.PressRelay2("rly2line");
    EXPECT_TRUE(g.olive("code_g2")); // global codes off: olive by their own rule
}

TEST(Relay2Override, RingAloneShowsNoNote)
{
    ParameterFields f;
    f.PressRelay2("rly2ring");
    EXPECT_TRUE(f.checked("rly2ring"));
    EXPECT_FALSE(f.visible("Label31"));
    EXPECT_FALSE(f.olive("code_ic2"));
}

TEST(Relay2Override, SecondPressUnchecksAndNormalStaysOff)
{
    ParameterFields f;
    f.PressRelay2("rly2key");
    f.PressRelay2("rly2key");
    EXPECT_FALSE(f.checked("rly2key"));
    EXPECT_FALSE(f.checked("rly2off"));
    EXPECT_FALSE(f.visible("Label31"));
}

TEST(LcdLine2, ScrollDisablesClockWithoutUnchecking)
{
    ParameterFields f;
    f.setChecked("PS1_sclk", true);
    f.setChecked("PS2_srl2", true);
    EXPECT_FALSE(f.checked("RadioButton1"));
    EXPECT_FALSE(f.enabled("PS1_sclk"));
    EXPECT_TRUE(f.checked("PS1_sclk"));
    f.setChecked("RadioButton1", true);
    EXPECT_TRUE(f.enabled("PS1_sclk"));
}

TEST(KeylessMessage, TakesPulsingMessagesFromLine2)
{
    ParameterFields f;
    f.setChecked("PS1_pmsg", true);
    EXPECT_FALSE(f.enabled("PS1_sclk"));
    f.setChecked("PS2_klmsg", true);
    EXPECT_TRUE(f.checked("RadioButton1"));
    EXPECT_FALSE(f.checked("PS1_pmsg"));
    EXPECT_FALSE(f.enabled("PS1_pmsg"));
    EXPECT_TRUE(f.enabled("PS1_sclk"));
    f.setChecked("PS2_klmsg", false);
    EXPECT_TRUE(f.enabled("PS1_pmsg"));
}

TEST(GlobalCodes, UncheckedMarksGlobalCodes)
{
    ParameterFields f;
    QList<bool> shown;
    QObject::connect(&f, &ParameterFields::globalCodesShown, [&shown](bool inUse) { shown << inUse; });
    f.setChecked("PS2_gcod", true);
    EXPECT_FALSE(f.visible("Label47"));
    f.setChecked("PS2_gcod", false);
    EXPECT_TRUE(f.olive("code_g1"));
    EXPECT_TRUE(f.olive("code_g2"));
    EXPECT_TRUE(f.visible("Label47"));
    EXPECT_EQ(shown, (QList<bool>{true, false}));
}

TEST(DivertTimes, HalfTypedTimeShowsZerosAndCopies)
{
    ParameterFields f;
    f.setText("MaskEdit1", "07:3 ");
    EXPECT_EQ(f.text("MaskEdit1"), "07:30");
    EXPECT_EQ(f.text("time1s"), "0730");
    f.setText("MaskEdit4", "23:59");
    EXPECT_EQ(f.text("time2e"), "2359");
    EXPECT_EQ(f.text("time1e"), "0000");
    // What is not a digit is blank in the mask, then zero.
    f.setText("MaskEdit2", QByteArray("\xFF\xFF:1?", 5));
    EXPECT_EQ(f.text("MaskEdit2"), "00:10");
    EXPECT_EQ(f.text("time1e"), "0010");
    EXPECT_EQ(porv::BlanksToZeros(" 1 "), "010");
}

TEST(MessagesWrite, FollowsTheTabShown)
{
    ParameterFields f;
    f.SetLoggedOn(true);
    EXPECT_TRUE(f.enabled("SaveParam"));
    f.SetCurrentTab(porv::TabDivert);
    EXPECT_FALSE(f.enabled("SaveParam"));
    f.SetCurrentTab(porv::TabOptions);
    EXPECT_TRUE(f.enabled("SaveParam"));
    f.SetLoggedOn(false);
    f.SetCurrentTab(porv::TabSetting);
    EXPECT_FALSE(f.enabled("SaveParam"));
    EXPECT_FALSE(f.enabled("UpLoad"));
}

} // namespace
