// WriteAllData against the simulated unit over UDP.
#include <QApplication>
#include <QTimer>

#include "directory_page_fixture.h"
#include "failures.h"
#include "transport.h"

using namespace dirtest;

using UploadTest = DirectoryPageTest;

TEST_F(UploadTest, ColeAdamsAndBakerGetConsecutiveAddressesInLocaleOrder)
{
    loggedOn(qx4::Model::Qx4_1000, 5); // five records the upload replaces
    fillTable({{"Cole", "3", "555", "11"}, {"adams", "1", "*12#p3"}, {"Baker", "2"}});

    clickWriteData();

    ASSERT_EQ(window->seam().texts().size(), 1);
    EXPECT_EQ(window->seam().texts()[0],
              QStringLiteral("This will replace ALL numbers currently\r\nstored in the Portavel, Continue?"));
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"adams", "Baker", "Cole"}));
    EXPECT_EQ(column("Addr"), (QList<QByteArray>{"1000", "1020", "1040"}));
    EXPECT_EQ(unit.commandCount("f5a"), 1);
    EXPECT_EQ(unit.commandCount("b"), 3);
    EXPECT_EQ(unitNames(), (QList<QByteArray>{"adams", "Baker", "Cole"}));
    EXPECT_EQ(unitBlocks(), (QList<int>{128, 129, 130}));
    const QList<qx4::DirectoryRecord> held = unit.directoryRecords();
    EXPECT_EQ(held[0].phone, QByteArray(":12;<3??????????"));
    EXPECT_EQ(held[2].room, QByteArray("3"));
    EXPECT_EQ(held[2].code1, QByteArray("11"));
    EXPECT_TRUE(page().State().DirectorySynced);
    EXPECT_TRUE(page().State().ShowRecordEnabled);
    EXPECT_TRUE(control<QCheckBox>("WrtChg")->isEnabled());
    EXPECT_TRUE(page().DBGrid1()->isEnabled());
    EXPECT_FALSE(window->transferForm().isVisible());

    // A download afterwards returns them.
    clickGetData();
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"adams", "Baker", "Cole"}));
    EXPECT_EQ(column("PHnumber"), (QList<QByteArray>{"*12#p3", "", "555"}));
    EXPECT_EQ(column("Addr"), (QList<QByteArray>{"1000", "1020", "1040"}));
}

TEST_F(UploadTest, NoToTheQuestionChangesNothing)
{
    loggedOn(qx4::Model::Qx4_1000, 2);
    fillTable({{"Cole", "3"}, {"adams", "1"}});
    clickWriteData(false);
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"Cole", "adams"}));
    EXPECT_EQ(unit.commandCount("f5a"), 0);
    EXPECT_EQ(unit.commandCount("b"), 0);
    EXPECT_EQ(unit.directoryRecords().size(), 2);
}

TEST_F(UploadTest, TooManyRecordsForTheModelAreRefusedWithItsLimit)
{
    loggedOn(qx4::Model::Qx4_100, 3);
    QList<QList<QByteArray>> records;
    for (int i = 0; i < 105; ++i)
        records.append({"N" + QByteArray::number(104 - i), QByteArray::number(i)});
    fillTable(records);

    window->seam().queueAnswer(true);
    shelltest::Click(pushButton("WriteData"));

    EXPECT_EQ(lastMessage(), QStringLiteral("There are to many records to store\r\nto this Portavel version.\r\n"
                                            "104 is the limit."));
    EXPECT_EQ(window->seam().pendingAnswers(), 1); // no question was asked
    EXPECT_EQ(unit.commandCount("f5a"), 0);
    EXPECT_EQ(unit.commandCount("b"), 0);
    EXPECT_EQ(unit.directoryRecords().size(), 3);
    EXPECT_EQ(table().RowText(0, 0), QByteArray("N104")); // not sorted
}

TEST_F(UploadTest, AnUnrecognisedModelRefusesEvenAnEmptyTable)
{
    unit.setModel(qx4::Model::Unknown);
    unit.setUnknownModel("Portavel_300_Qx4", 0x2A00);
    unit.eraseDirectory();
    loggedOnAsSeeded();
    ASSERT_EQ(window->session().MemoryLimit, 0);

    shelltest::Click(pushButton("WriteData"));
    EXPECT_EQ(lastMessage(),
              QStringLiteral("There are to many records to store\r\nto this Portavel version.\r\n-128 is the limit."));
    EXPECT_EQ(unit.commandCount("f5a"), 0);
}

TEST_F(UploadTest, AnEraseThatIsNeverAcknowledgedStopsBeforeRewriting)
{
    loggedOn(qx4::Model::Qx4_1000, 0);
    fillTable({{"Cole", "3"}, {"adams", "1"}});
    unit.faults().neverAckErase = true;

    clickWriteData();

    EXPECT_EQ(lastMessage(), QStringLiteral("Could not clear All,\r\nSave your files and\r\nRecheck connection"));
    EXPECT_EQ(unit.commandCount("f5a"), 2);
    EXPECT_EQ(unit.commandCount("b"), 0);
    EXPECT_FALSE(window->transferForm().isVisible());
    // Renumbered and sorted, not written, and not taken as the unit's.
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"adams", "Cole"}));
    EXPECT_EQ(column("Addr"), (QList<QByteArray>{"1000", "1020"}));
    EXPECT_FALSE(page().State().DirectorySynced);
}

namespace {

// A serial port whose writes fail, as a cable pulled mid-transfer does.
class FailingSerial : public porv::Transport {
public:
    bool isOpen() const override { return true; }
    void write(const QByteArray &) override { throw porv::SerialError(QStringLiteral("WriteFile function failed (Error: 7)")); }
    void close() override {}
};

} // namespace

TEST_F(UploadTest, AWriteFailureEndsTheLinkAndGivesThePageBack)
{
    loggedOn(qx4::Model::Qx4_1000, 2);
    fillTable({{"Cole", "3"}, {"adams", "1"}});
    FailingSerial serial;
    window->link().setSerialTransport(&serial);
    QList<porv::LogOffReason> reasons;
    QList<porv::OperationFailure> failures;
    QObject::connect(&window->connection(), &porv::UnitConnection::loggedOff, window.get(),
                     [&](porv::LogOffReason reason) { reasons << reason; });
    QObject::connect(&window->connection(), &porv::UnitConnection::operationFailed, window.get(),
                     [&](porv::OperationFailure reason) { failures << reason; });

    clickWriteData();
    window->link().setSerialTransport(nullptr);

    // The failure ends the link, told once with the port's text; the
    // operation that ran ends by its typed result, not by a handler's unwinding.
    EXPECT_EQ(window->seam().texts().count(QStringLiteral("WriteFile function failed (Error: 7)")), 1);
    EXPECT_EQ(reasons, QList<porv::LogOffReason>{porv::LogOffReason::LinkLost});
    EXPECT_EQ(failures, QList<porv::OperationFailure>{porv::OperationFailure::LinkLost});
    EXPECT_FALSE(window->link().LoggedOn());
    EXPECT_NE(window->statusText(0), QStringLiteral("Connected"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The transfer window does not stay up over a transfer that has ended.
    EXPECT_FALSE(window->transferForm().isVisible());
    EXPECT_EQ(unit.commandCount("b"), 0);
    EXPECT_FALSE(page().State().DirectorySynced);
    EXPECT_TRUE(page().DBGrid1()->isEnabled());
}

TEST_F(UploadTest, AnEraseAcknowledgedAtOnceIsNotMissed)
{
    loggedOn(qx4::Model::Qx4_1000, 4);
    qx4::TimingSettings timing = unit.timing();
    timing.eraseDelayMs = 0; // "OK" well inside the fixed wait before the reply wait
    unit.setTiming(timing);
    fillTable({{"Cole", "3"}, {"adams", "1"}, {"Baker", "2"}});

    clickWriteData();

    EXPECT_EQ(window->seam().texts().size(), 1) << lastMessage().toStdString();
    EXPECT_EQ(unit.commandCount("f5a"), 1);
    EXPECT_EQ(unitNames(), (QList<QByteArray>{"adams", "Baker", "Cole"}));
}

TEST_F(UploadTest, SixRefusedRecordsEndTheLoop)
{
    loggedOn(qx4::Model::Qx4_1000, 0);
    QList<QList<QByteArray>> records;
    for (int i = 0; i < 10; ++i)
        records.append({"NAME " + QByteArray::number(i), QByteArray::number(i + 1)});
    fillTable(records);
    unit.faults().refuseB.count = -1;

    clickWriteData();

    EXPECT_EQ(lastMessage(), QStringLiteral("There was 6 error(s)"));
    EXPECT_EQ(unit.commandCount("b"), 12); // six records, each tried twice
    EXPECT_TRUE(unit.directoryRecords().isEmpty());
    // Still taken as synced: the count told the user what failed.
    EXPECT_TRUE(page().State().DirectorySynced);
    EXPECT_TRUE(page().DBGrid1()->isEnabled());
}

TEST_F(UploadTest, ARecordRefusedOnceIsWrittenOnItsRetry)
{
    loggedOn(qx4::Model::Qx4_1000, 0);
    fillTable({{"A", "1"}, {"B", "2"}});
    unit.faults().refuseB.count = 1;
    unit.faults().refuseB.blocks = {129};

    clickWriteData();

    EXPECT_EQ(window->seam().texts().size(), 1);
    EXPECT_EQ(unit.commandCount("b"), 3);
    EXPECT_EQ(unitNames(), (QList<QByteArray>{"A", "B"}));
}

TEST_F(UploadTest, LogOffDuringTheRewriteStopsAfterTheCurrentRecord)
{
    loggedOn(qx4::Model::Qx4_1000, 0);
    QList<QList<QByteArray>> records;
    for (int i = 0; i < 30; ++i)
        records.append({"NAME " + QByteArray::number(100 + i), QByteArray::number(i + 1)});
    fillTable(records);
    int written = 0;
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), [this, &written](const QByteArray &line) {
        if (line.startsWith('b') && ++written == 5)
            QTimer::singleShot(0, window.get(), [this] { window->OnLine1Click(); });
    });

    clickWriteData();

    EXPECT_FALSE(window->link().LoggedOn());
    EXPECT_GE(unit.commandCount("b"), 5);
    EXPECT_LE(unit.commandCount("b"), 6);
    EXPECT_LE(unit.directoryRecords().size(), 6);
    EXPECT_TRUE(page().State().ShowRecordEnabled);
    EXPECT_TRUE(page().DBGrid1()->isEnabled());
}

TEST_F(UploadTest, AnEmptyTableErasesNothing)
{
    loggedOn(qx4::Model::Qx4_1000, 3);
    clickWriteData();
    EXPECT_EQ(unit.commandCount("f5a"), 0);
    EXPECT_EQ(unit.directoryRecords().size(), 3);
    // The grid goes on following the table.
    table().AppendRecord({"X", "1"});
    EXPECT_EQ(page().DBGrid1()->model()->rowCount(), 1);
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("X"));
}

TEST_F(UploadTest, RecordsTheUnitCouldNotListBackAreSkippedAndNamed)
{
    loggedOn(qx4::Model::Qx4_1000, 4);
    fillTable({{"Cole", "+12"},                 // a room the unit would store empty
               {"", "5"},                       // no name
               {"Dee", "7", "(0161) 555-12.34"}, // layout in the number
               {"Eve", "8", "+44 161"},         // a character the unit cannot dial
               {"Fox, J", "9"},                 // the unit's list separator
               {"Gil\nB", "10"},                // a line end in a name from a file
               {"Hal\xFF", "11"},               // the unit's erased byte: the name would end there
               {"Ivy", "12", "", "\xFF"}});      // the erased byte in a code

    clickWriteData();

    EXPECT_EQ(unit.commandCount("b"), 3);
    EXPECT_EQ(unit.commandCount("unknown"), 0);
    ASSERT_EQ(window->seam().texts().size(), 2);
    EXPECT_EQ(lastMessage(), QStringLiteral("These records were not written:\r\n"
                                            "room 5: no name\r\n"
                                            "Cole: no room number\r\n"
                                            "Eve: cannot store \"+\" in the phone number\r\n"
                                            "Hal\u00ff: cannot store \"\u00ff\" (0xff) in the name\r\n"
                                            "Ivy: cannot store \"\u00ff\" (0xff) in a relay code\r\n"
                                            "Commas and control characters in names were stored as spaces."));
    // What was written comes back as it was written.
    clickGetData();
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"Dee", "Fox  J", "Gil B"}));
    EXPECT_EQ(column("PHnumber"), (QList<QByteArray>{"01615551234", "", ""}));
    EXPECT_EQ(column("RoomNumber"), (QList<QByteArray>{"7", "9", "10"}));
}

TEST_F(UploadTest, APromptAnsweredLateIsNotTakenForTheErase)
{
    // The prompt's "OK" arrives after "f5a" has gone out; the erase itself is
    // never acknowledged.
    loggedOn(qx4::Model::Qx4_1000, 2);
    fillTable({{"Cole", "3"}, {"adams", "1"}});
    unit.faults().neverAckErase = true;
    unit.faults().promptDelayMs = 200;

    clickWriteData();

    EXPECT_EQ(lastMessage(), QStringLiteral("Could not clear All,\r\nSave your files and\r\nRecheck connection"));
    EXPECT_EQ(unit.commandCount("f5a"), 2);
    EXPECT_EQ(unit.commandCount("b"), 0);
}
