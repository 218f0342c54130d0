// The parameters page's reads and writes over a link to a scripted unit.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QFile>

#include "failures.h"
#include "connection_recorder.h"
#include "fake_unit.h"
#include "link.h"
#include "procedures.h"

using porv::ParametersCore;
using porv::test::CountStartingWith;
using porv::test::ConnectionRecorder;
using porv::test::FakeParameterUnit;
using porv::test::RecordingShell;
using porv::test::ShownBy;
using porv::test::ScriptedTransport;

namespace {

class ParametersOverLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        unit.attach(transport);
        link.setSerialTransport(&transport);
        QObject::connect(&link, &porv::Link::commandShown, [this](const QByteArray &t) { shown << t; });
    }

    // The "p" writes in the order they went out: block numbers.
    QList<QByteArray> writtenBlocks() const
    {
        QList<QByteArray> blocks;
        for (const QByteArray &w : transport.written)
            if (w.startsWith('p'))
                blocks << w.mid(1, 4);
        return blocks;
    }

    // First made, last gone: the transport and what its answers fill are
    // gone before the connection closes the link.
    porv::UnitConnection connection;
    porv::Link &link = connection.link();
    FakeParameterUnit unit;
    ScriptedTransport transport;
    RecordingShell shell;
    ConnectionRecorder recorder{connection, &shell.events};
    ParametersCore core{link, shell};
    QList<QByteArray> shown;
};

TEST_F(ParametersOverLink, WriteAllFromStartValues)
{
    core.WriteAll();
    ASSERT_EQ(shell.questions, (QStringList{QStringLiteral("ReWrite all Messages & Operating Parameters?"),
                                            QStringLiteral("The gate codes, messages, speed dials, diverts and "
                                                           "settings were never read from the unit or a file. "
                                                           "Write them anyway?")}));
    EXPECT_EQ(writtenBlocks(), (QList<QByteArray>{"0001", "0012", "0013", "0014", "0015", "0008", "0009", "0005",
                                                  "0002", "0000"}));
    EXPECT_EQ(ShownBy(core), QStringList());
    EXPECT_TRUE(shell.messages.isEmpty());
    const QByteArray settings = QByteArray("01030503021414030?00050000012000") + "14" + QByteArray(26, '0') + "0084";
    EXPECT_EQ(unit.blocks.value("0000"), settings);
    EXPECT_EQ(unit.blocks.value("0008"), "36001" + QByteArray(11, '?') + "36002" + QByteArray(11, '?') + "36003"
                                             + QByteArray(11, '?') + "36004" + QByteArray(11, '?'));
    EXPECT_EQ(unit.blocks.value("0002").left(16), "0000000000000000");
    EXPECT_EQ(unit.blocks.value("0012"), QByteArray(32, char(0xFF)));
    EXPECT_EQ(shell.status.last(), QStringLiteral("1:Ready"));
    EXPECT_EQ(shell.events.first(), QStringLiteral("Busy"));
    EXPECT_TRUE(shell.events.contains(QStringLiteral("Normal")));
}

TEST_F(ParametersOverLink, WriteAllAnsweredNoSendsNothing)
{
    shell.answerYes = false;
    core.WriteAll();
    EXPECT_TRUE(transport.written.isEmpty());
    EXPECT_TRUE(shell.status.isEmpty());
}

TEST_F(ParametersOverLink, RoundTripOfEveryBlockField)
{
    porv::ParameterFields &a = core.fields();
    a.setText("Phs_run", "45");
    a.setText("Phs_but", "7");
    a.setText("Phs_rt", "12");
    a.setText("Phs_sl", "9");
    a.setText("Phs_ml", "2");
    a.setText("Phs_lt", "4");
    a.setText("Phs_ls", "33");
    a.setText("Phs_rc", "6");
    a.setText("Phs_na", "25");
    a.setText("Phs_rv", "5");
    a.setText("Cont_time", "31");
    a.setText("Sil_time", "8");
    a.setChecked("PS2_srl1", true);
    a.setChecked("PS2_grls", false);
    a.setChecked("PS1_gacc", true);
    a.setChecked("PS2_gcod", true);
    a.setChecked("PS2_qx1c", true);
    a.setChecked("PS2_srl2", true);
    a.setChecked("Divert4All", true);
    a.setChecked("Divert4AllNA", true);
    a.setChecked("rly2ring", true);
    a.setChecked("rly2tim", true);
    a.setText("code_g1", "1234");
    a.setText("code_ic2", "98");
    a.setText("code_sd1", "5");
    for (int i = 1; i <= 8; ++i)
        a.setText("spd" + QByteArray::number(i), "0" + QByteArray::number(i) + "*#p9");
    a.setText("divert1", "0299998888");
    a.setText("AftHrs2", "#21");
    a.setText("MaskEdit1", "07:30");
    a.setText("MaskEdit2", "08:15");
    a.setText("MaskEdit3", "22:00");
    a.setText("MaskEdit4", "18:05");
    a.setText("msg0", "Welcome");
    a.setText("msg1", "Press button");
    a.setText("msg2", "Scrolling message number one!!");
    a.setText("msg3", QByteArray(32, 'z'));
    a.setText("msg4", "Pulse A");
    a.setText("msg5", "Pulse B");
    core.WriteAll();
    ASSERT_EQ(ShownBy(core), QStringList());

    RecordingShell shell2;
    ParametersCore fresh(link, shell2);
    fresh.ReadAllClick();
    const porv::ParameterFields &b = fresh.fields();
    for (const porv::FieldDescription &s : porv::ParameterFields::Descriptions()) {
        if (s.tab == porv::TabAccessPin || s.name == "Edit4")
            continue;
        if (s.kind == porv::FieldKind::Text || s.kind == porv::FieldKind::Time) {
            EXPECT_EQ(b.text(s.name), a.text(s.name)) << s.name.constData();
        } else if (s.kind == porv::FieldKind::Check || s.kind == porv::FieldKind::Radio) {
            EXPECT_EQ(b.checked(s.name), a.checked(s.name)) << s.name.constData();
        }
    }
    EXPECT_EQ(b.text("Edit4"), "0730081522001805");
    // The image mirrors the fields after the read, and Save As is enabled.
    EXPECT_EQ(fresh.image().readText(0, 4), "1234");
    EXPECT_TRUE(shell2.events.contains(QStringLiteral("SaveAsOn")));
    EXPECT_EQ(CountStartingWith(transport.written, "d00120015"), 1);
}

TEST_F(ParametersOverLink, SilentUnitWriteShowsEveryBlocksMessage)
{
    unit.mode = FakeParameterUnit::Mode::Silent;
    core.WriteAll();
    const QString e = QStringLiteral("There was an error\r\n");
    EXPECT_EQ(ShownBy(core),
              (QStringList{e + QStringLiteral("in writing the Codes"), e + QStringLiteral("in writing fixed message 1 & 2"),
                           e + QStringLiteral("in writing Scroll message 1"), e + QStringLiteral("in writing Scroll message 2"),
                           e + QStringLiteral("in writing message 1 & 2"), e + QStringLiteral("in writing speed Dial 1 & 2"),
                           e + QStringLiteral("in writing speed Dial 3 & 4"), e + QStringLiteral("in writing the new numbers"),
                           e + QStringLiteral("in writing the new Times"),
                           e + QStringLiteral("in writing the System Parameters")}));
    EXPECT_EQ(CountStartingWith(transport.written, "p0001"), 4);
    EXPECT_EQ(CountStartingWith(transport.written, "p0000"), 4);
    EXPECT_EQ(CountStartingWith(transport.written, "r"), 0);
    EXPECT_EQ(shell.status.last(), QStringLiteral("1:Ready"));
}

TEST_F(ParametersOverLink, UnitThatStoresWronglyFailsAfterFourAttempts)
{
    unit.mode = FakeParameterUnit::Mode::StoresWrongly;
    core.fields().setText("code_g1", "1234");
    core.WriteCodeClick();
    EXPECT_EQ(CountStartingWith(transport.written, "p0001"), 4);
    EXPECT_EQ(CountStartingWith(transport.written, "r0001"), 4);
    EXPECT_EQ(ShownBy(core), QStringList{QStringLiteral("There was an error\r\nin writing the Codes")});
    EXPECT_EQ(shell.status.last(), QStringLiteral("1:Ready"));
}

TEST_F(ParametersOverLink, EmptySettingSendsNothingForBlockZero)
{
    core.fields().setText("Phs_ls", "");
    core.fields().setText("Phs_run", "0");
    EXPECT_THROW(core.WritePara1Click(), porv::ConversionError);
    EXPECT_EQ(CountStartingWith(transport.written, "p0000"), 0);
    EXPECT_EQ(core.fields().text("Phs_run"), "1");
    EXPECT_TRUE(shell.status.isEmpty()); // no "Ready"

    // Under Write All every other block has gone out by then; the pointer is
    // restored, "Ready" is not shown.
    EXPECT_THROW(core.WriteAll(), porv::ConversionError);
    EXPECT_EQ(writtenBlocks(), (QList<QByteArray>{"0001", "0012", "0013", "0014", "0015", "0008", "0009", "0005",
                                                  "0002"}));
    EXPECT_EQ(shell.events.last(), QStringLiteral("Normal"));
    EXPECT_TRUE(shell.status.isEmpty());
}

TEST_F(ParametersOverLink, DivertWriteAlsoWritesSettings)
{
    core.fields().setChecked("Divert4All", true);
    core.divertWriteClick();
    EXPECT_EQ(writtenBlocks(), (QList<QByteArray>{"0005", "0002", "0000"}));
    EXPECT_EQ(unit.blocks.value("0000").mid(62, 2), "94");
}

TEST_F(ParametersOverLink, SilentUnitReadsChangeNothing)
{
    unit.mode = FakeParameterUnit::Mode::Silent;
    core.fields().setText("code_g1", "55");
    core.ReadPara1Click();
    const porv::ParametersWords words = porv::WordParametersOutcome(core.TakeOutcome());
    EXPECT_EQ(words.messages, QStringList{QStringLiteral("No answer from the unit.")});
    EXPECT_EQ(words.status, QStringLiteral("No answer reading block 0000"));
    EXPECT_EQ(core.fields().text("Phs_run"), "3");
    EXPECT_EQ(core.fields().text("code_g1"), "55");
    EXPECT_EQ(CountStartingWith(transport.written, "r0001"), 0); // the later reads are not run
    // The settings read's end steps ran.
    EXPECT_EQ(shell.events.count(QStringLiteral("ShowTransfer")), shell.events.count(QStringLiteral("HideTransfer")));
    EXPECT_TRUE(shell.events.contains(QStringLiteral("SaveAsOn")));
}

TEST_F(ParametersOverLink, PinWriteIsNeverShown)
{
    core.fields().setText("NewPin", "1234");
    core.UpDatePINClick();
    ASSERT_GE(transport.written.size(), 1);
    EXPECT_EQ(transport.written.first(), "p00031234" + QByteArray(60, '?') + "\r");
    for (const QByteArray &t : shown)
        EXPECT_FALSE(t.startsWith("p0003")) << t.constData();
    EXPECT_TRUE(shown.contains("r0003\r"));
    EXPECT_EQ(ShownBy(core), QStringList{QStringLiteral("NEW CODES Programmed")});
}

TEST_F(ParametersOverLink, EmergencyCodeReadsBackAsDigits)
{
    core.fields().setText("EmgyCode1", "21a5");
    core.fields().setText("NewPin4", "87654321");
    core.UpDatePINClick();
    RecordingShell shell2;
    ParametersCore fresh(link, shell2);
    fresh.ReadPinsClick();
    EXPECT_EQ(fresh.fields().text("EmgyCode1"), "21");
    EXPECT_EQ(fresh.fields().text("NewPin4"), "87654321");
    EXPECT_EQ(fresh.fields().text("NewPin"), "");
    EXPECT_EQ(ShownBy(fresh), QStringList());
}

TEST_F(ParametersOverLink, PinWriteFailureAndSilentRead)
{
    unit.mode = FakeParameterUnit::Mode::Silent;
    core.UpDatePINClick();
    EXPECT_EQ(ShownBy(core), QStringList{QStringLiteral("There was an error\r\nin writing the CODES")});
    EXPECT_EQ(CountStartingWith(transport.written, "p0003"), 4);
    core.ReadPinsClick();
    EXPECT_EQ(core.fields().text("NewPin"), "");
    EXPECT_EQ(ShownBy(core), QStringList{QStringLiteral("No answer from the unit.")});
}

TEST_F(ParametersOverLink, SaveAsAndOpenThroughTheDialogs)
{
    QTemporaryDir dir;
    shell.saveName = dir.filePath(QStringLiteral("p.sys"));
    core.fields().setText("msg0", "Saved");
    ASSERT_TRUE(core.SaveAs());
    EXPECT_EQ(shell.lastRequest.defaultExtension, QStringLiteral("Sys"));
    EXPECT_EQ(shell.lastRequest.fileName, QStringLiteral("SysPara"));
    EXPECT_EQ(shell.lastRequest.filter, QStringLiteral("PortavelParameters(*.sys)|*.sys|All Files (*.*)|*.*"));
    EXPECT_EQ(QFile(shell.saveName).size(), 467);

    RecordingShell shell2;
    ParametersCore other(link, shell2);
    shell2.openName = shell.saveName;
    ASSERT_TRUE(other.Open());
    EXPECT_EQ(other.fields().text("msg0"), "Saved");

    // Cancelled save: nothing written, but the image is refreshed.
    shell.saveName.clear();
    core.fields().setText("msg0", "Later");
    EXPECT_FALSE(core.SaveAs());
    EXPECT_EQ(core.image().readText(45, 16), "Later");

    // A short file is refused with its path; the fields stay.
    const QString shortPath = dir.filePath(QStringLiteral("short.sys"));
    QFile f(shortPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(466, '\0'));
    f.close();
    shell2.openName = shortPath;
    EXPECT_FALSE(other.Open());
    EXPECT_EQ(ShownBy(other), QStringList{QStringLiteral("Could not Load from file\r\n") + shortPath});
    EXPECT_EQ(other.fields().text("msg0"), "Saved");
}

} // namespace
