// Editing on the PhoneDataBase page: the boxes and their key rules, commit,
// insert and delete with their write-through to the simulated unit.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QTest>

#include "directory_page_fixture.h"

using namespace dirtest;
using shelltest::Click;

namespace {

class EditingTest : public DirectoryPageTest {
protected:
    // A unit holding records at the given blocks, downloaded into the table.
    void downloaded(const QList<qx4::DirectoryRecord> &records)
    {
        unit.setModel(qx4::Model::Qx4_1000);
        unit.eraseDirectory();
        for (const auto &r : records)
            ASSERT_TRUE(unit.setDirectoryRecord(r));
        loggedOnAsSeeded();
        clickGetData();
        ASSERT_EQ(table().RecordCount(), records.size());
        ASSERT_TRUE(page().State().DirectorySynced);
        unit.resetCounts();
        window->seam().clearTexts();
    }

    void type(const char *boxName, const QString &text)
    {
        QLineEdit *b = box(boxName);
        b->setFocus();
        b->selectAll();
        if (text.isEmpty())
            QTest::keyClick(b, Qt::Key_Delete);
        else
            QTest::keyClicks(b, text);
    }
    void enter(const char *boxName) { QTest::keyClick(box(boxName), Qt::Key_Return); }
    bool entryButtonsEnabled() const
    {
        return pushButton("NavOk")->isEnabled() && pushButton("NavInst")->isEnabled() && pushButton("Undo")->isEnabled();
    }
    bool entryButtonsDisabled() const
    {
        return !pushButton("NavOk")->isEnabled() && !pushButton("NavInst")->isEnabled()
            && !pushButton("Undo")->isEnabled();
    }
};

} // namespace

// --- commit, insert, delete ----------------------------------------------------------

TEST_F(EditingTest, ANewRecordBetweenTwoGetsTheFreeAddressAndIsWrittenThrough)
{
    downloaded({UnitRecord(128, "FIRST", "10"), UnitRecord(130, "THIRD", "30")});
    Click(navButton("nbInsert"));
    EXPECT_EQ(table().Position(), -1);
    EXPECT_EQ(control<QLabel>("recordno")->text(), QStringLiteral("-1"));
    EXPECT_TRUE(box("Namef")->text().isEmpty());
    type("Namef", QStringLiteral("NEWMAN"));
    type("RoomNumber", QStringLiteral("20"));
    type("PHnumber", QStringLiteral("*99#p1"));
    ASSERT_TRUE(entryButtonsEnabled());

    Click(pushButton("NavOk"));

    EXPECT_TRUE(window->seam().texts().isEmpty()) << lastMessage().toStdString();
    EXPECT_EQ(column("Addr"), (QList<QByteArray>{"1000", "1020", "1040"}));
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"FIRST", "NEWMAN", "THIRD"}));
    EXPECT_EQ(table().Position(), 2);
    EXPECT_EQ(page().DBGrid1()->currentIndex().row(), 1);
    EXPECT_EQ(unit.commandCount("b"), 1);
    EXPECT_EQ(unitNames(), (QList<QByteArray>{"FIRST", "NEWMAN", "THIRD"}));
    EXPECT_EQ(unit.directoryRecords()[1].phone, QByteArray(":99;<1??????????"));
    EXPECT_EQ(unit.directoryRecords()[1].room, QByteArray("20"));
    // Not the last record: no blank record follows; the boxes show the commit.
    EXPECT_EQ(table().CurrentState(), porv::MemTable::State::Browse);
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("NEWMAN"));
    EXPECT_TRUE(entryButtonsDisabled());
}

TEST_F(EditingTest, CommittingTheLastRecordLeavesABlankPendingRecord)
{
    downloaded({UnitRecord(128, "FIRST", "10"), UnitRecord(129, "SECOND", "20")});
    Click(navButton("nbLast"));
    ASSERT_EQ(box("Namef")->text(), QStringLiteral("SECOND"));
    type("Namef", QStringLiteral("SECOND B"));

    Click(pushButton("NavOk"));

    EXPECT_EQ(column("Name"), (QList<QByteArray>{"FIRST", "SECOND B"}));
    EXPECT_EQ(unitNames(), (QList<QByteArray>{"FIRST", "SECOND B"}));
    EXPECT_EQ(table().CurrentState(), porv::MemTable::State::Insert);
    EXPECT_EQ(table().Position(), -1);
    EXPECT_EQ(table().RecordCount(), 2);
    EXPECT_TRUE(box("Namef")->text().isEmpty());
    EXPECT_TRUE(box("RoomNumber")->text().isEmpty());
    EXPECT_EQ(window->focusWidget(), box("Namef"));
}

TEST_F(EditingTest, CommittingAMiddleRecordKeepsItsSpareValue)
{
    qx4::DirectoryRecord withSpare = UnitRecord(129, "SECOND", "20");
    withSpare.spare = "7";
    downloaded({UnitRecord(128, "FIRST", "10"), withSpare, UnitRecord(130, "THIRD", "30")});
    table().SetPosition(2);
    EXPECT_EQ(box("Spare")->text(), QStringLiteral("7"));
    type("Code2", QStringLiteral("42"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(unit.directoryRecords()[1].spare, QByteArray("7"));
    EXPECT_EQ(unit.directoryRecords()[1].code2, QByteArray("42"));
    EXPECT_EQ(table().RowText(1, 4), QByteArray("42"));
    EXPECT_EQ(box("Code2")->text(), QStringLiteral("42"));
}

TEST_F(EditingTest, NoToTheRoomQuestionChangesNothing)
{
    downloaded({UnitRecord(128, "FIRST", "10"), UnitRecord(129, "SECOND", "20")});
    type("RoomNumber", QStringLiteral("20"));
    window->seam().queueAnswer(false);

    Click(pushButton("NavOk"));

    EXPECT_EQ(lastMessage(), QStringLiteral("RoomNumber exist, Continue?"));
    EXPECT_EQ(column("RoomNumber"), (QList<QByteArray>{"10", "20"}));
    EXPECT_EQ(table().Position(), 1);
    EXPECT_EQ(box("RoomNumber")->text(), QStringLiteral("20"));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("FIRST"));
    EXPECT_EQ(unit.commandCount("b"), 0);
    // The boxes follow the table again afterwards.
    table().SetPosition(2);
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("SECOND"));
}

TEST_F(EditingTest, YesToTheRoomQuestionSharesTheRoom)
{
    downloaded({UnitRecord(128, "FIRST", "10"), UnitRecord(129, "SECOND", "20")});
    type("RoomNumber", QStringLiteral("20"));
    window->seam().queueAnswer(true);
    Click(pushButton("NavOk"));
    EXPECT_EQ(column("RoomNumber"), (QList<QByteArray>{"20", "20"}));
    EXPECT_EQ(unit.directoryRecords()[0].room, QByteArray("20"));
}

TEST_F(EditingTest, WithoutWriteEachChangeNothingIsWritten)
{
    downloaded({UnitRecord(128, "FIRST", "10")});
    control<QCheckBox>("WrtChg")->setChecked(false);
    type("Namef", QStringLiteral("LOCAL"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(table().RowText(0, 0), QByteArray("LOCAL"));
    EXPECT_EQ(unit.commandCount("b"), 0);
}

TEST_F(EditingTest, AWriteThatFailsTwiceSaysSoAndKeepsTheCommit)
{
    downloaded({UnitRecord(128, "FIRST", "10")});
    unit.faults().refuseB.count = -1;
    type("Namef", QStringLiteral("CHANGED"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Failed to Write"));
    EXPECT_EQ(unit.commandCount("b"), 2);
    EXPECT_EQ(table().RowText(0, 0), QByteArray("CHANGED"));
}

TEST_F(EditingTest, ANonNumericRoomIsStoredAsZeroAndWrittenByItsDigits)
{
    downloaded({UnitRecord(128, "FIRST", "10")});
    type("RoomNumber", QStringLiteral("12a"));
    Click(pushButton("NavOk"));
    EXPECT_TRUE(window->seam().texts().contains(QStringLiteral("Must use Numeric digits in\r\nRoomNumber & Codes fields")));
    EXPECT_EQ(table().RowText(0, 1), QByteArray("0"));
    EXPECT_EQ(unit.directoryRecords()[0].room, QByteArray("12"));
}

TEST_F(EditingTest, InsertAddsTheBoxesAsANewRecord)
{
    downloaded({UnitRecord(128, "FIRST", "10"), UnitRecord(129, "SECOND", "20")});
    type("Namef", QStringLiteral("COPY"));
    type("RoomNumber", QStringLiteral("30"));

    Click(pushButton("NavInst"));

    EXPECT_EQ(column("Name"), (QList<QByteArray>{"FIRST", "SECOND", "COPY"}));
    EXPECT_EQ(column("Addr"), (QList<QByteArray>{"1000", "1020", "1040"}));
    EXPECT_EQ(unitNames(), (QList<QByteArray>{"FIRST", "SECOND", "COPY"}));
    // The new record is the last one: a blank record waits after it.
    EXPECT_EQ(table().CurrentState(), porv::MemTable::State::Insert);
}

TEST_F(EditingTest, TheThousandthRecordIsTheLimit)
{
    makeWindow();
    for (int i = 0; i < 1000; ++i)
        table().AppendRecord({"N" + QByteArray::number(i), QByteArray::number(i)});
    table().Insert();
    type("Namef", QStringLiteral("ONE MORE"));
    type("RoomNumber", QStringLiteral("5000"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Phone list limit=1000 max."));
    EXPECT_EQ(table().RecordCount(), 1000);
}

TEST_F(EditingTest, AnUnrecognisedModelCannotAssignAnAddress)
{
    unit.setModel(qx4::Model::Unknown);
    unit.eraseDirectory();
    loggedOnAsSeeded();
    type("Namef", QStringLiteral("NEW"));
    type("RoomNumber", QStringLiteral("1"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Could Not Assign a new addr"));
    EXPECT_EQ(table().RecordCount(), 0);
}

TEST_F(EditingTest, DeleteWhileNotSyncedLeavesTheUnitAlone)
{
    unit.setModel(qx4::Model::Qx4_1000);
    unit.eraseDirectory();
    ASSERT_TRUE(unit.setDirectoryRecord(UnitRecord(128, "FIRST", "10")));
    ASSERT_TRUE(unit.setDirectoryRecord(UnitRecord(129, "OTHER", "20")));
    loggedOnAsSeeded();
    // As loaded from a file: addresses that may name other clients in the unit.
    fillTable({{"FIRST", "10", "", "", "", "", "", "1000"}, {"SECOND", "20", "", "", "", "", "", "1020"}});
    table().SetPosition(2);
    ASSERT_FALSE(page().State().DirectorySynced);
    ASSERT_TRUE(control<QCheckBox>("WrtChg")->isChecked());
    window->seam().queueAnswer(true);

    Click(navButton("nbDelete"));

    EXPECT_EQ(lastMessage(), QStringLiteral("Erase Current record"));
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"FIRST"}));
    EXPECT_EQ(unit.commandCount("b"), 0);
    EXPECT_EQ(unitNames(), (QList<QByteArray>{"FIRST", "OTHER"}));
    EXPECT_FALSE(page().State().DeleteConfirmed);
}

TEST_F(EditingTest, DeleteWithNoLeavesTheRecord)
{
    downloaded({UnitRecord(128, "FIRST", "10")});
    window->seam().queueAnswer(false);
    Click(navButton("nbDelete"));
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("Erase Current record")});
    EXPECT_EQ(table().RecordCount(), 1);
    EXPECT_EQ(unit.commandCount("b"), 0);
    EXPECT_EQ(unit.directoryRecords().size(), 1);
    // A delete without the confirmation is refused by the table itself.
    EXPECT_FALSE(table().Delete());
    EXPECT_EQ(table().RecordCount(), 1);
}

TEST_F(EditingTest, ARecordWithAPlaceholderAddressCanBeDeleted)
{
    loggedOn(qx4::Model::Qx4_1000, 0);
    fillTable({{"", "12", "", "", "", "", "0012345678", "p7"}});
    window->seam().queueAnswer(true);
    Click(navButton("nbDelete"));
    EXPECT_EQ(table().RecordCount(), 0);
    EXPECT_EQ(unit.commandCount("b"), 0);
    EXPECT_EQ(window->seam().texts().size(), 1);
}

TEST_F(EditingTest, ACommitTheUnitCouldNotListBackIsRefused)
{
    downloaded({UnitRecord(128, "FIRST", "10")});
    const QString nameMessage = QStringLiteral("must enter a name or number\r\nwithout a space as a first character\r\n"
                                               "start characters may be:\r\n A-Z or a-z or 0-9");
    type("RoomNumber", QStringLiteral("+12"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("Must enter a number")});
    type("RoomNumber", QStringLiteral("11"));
    type("Namef", QString());
    Click(pushButton("NavOk"));
    EXPECT_EQ(lastMessage(), nameMessage);
    // A number from a phone list file, with a character the unit cannot dial.
    type("Namef", QStringLiteral("FIRST"));
    box("PHnumber")->setText(QStringLiteral("+44 161 555"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(lastMessage(), QStringLiteral("The unit cannot store \"+\" in the phone number of FIRST."));
    // The unit's erased byte 0xFF ("\u00ff" in Latin-1): it would end the name
    // there, and a code would not be stored as typed.
    box("PHnumber")->setText(QStringLiteral("0161"));
    box("Namef")->setText(QStringLiteral("AB\u00ffCD"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(lastMessage(), QStringLiteral("The unit cannot store \"\u00ff\" (0xff) in the name AB\u00ffCD: it would "
                                            "end the name there."));
    box("Namef")->setText(QStringLiteral("FIRST"));
    box("Code2")->setText(QStringLiteral("12\u00ff"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(lastMessage(), QStringLiteral("The unit cannot store \"\u00ff\" (0xff) in the relay codes of FIRST."));
    EXPECT_EQ(window->seam().texts().size(), 5);
    EXPECT_EQ(unit.commandCount("b"), 0);
    EXPECT_EQ(table().RowText(0, 1), QByteArray("10"));
    EXPECT_EQ(box("RoomNumber")->text(), QStringLiteral("11"));
}

TEST_F(EditingTest, ACommitWritesWhatTheUnitListsBack)
{
    downloaded({UnitRecord(128, "FIRST", "10")});
    // Layout in the number is left out; a comma and a line end in the name
    // become spaces, said once; one command reaches the unit.
    box("PHnumber")->setText(QStringLiteral("(0161) 555-12.34"));
    box("Namef")->setText(QStringLiteral("LEE, J\rX"));
    Click(pushButton("NavOk"));

    EXPECT_EQ(window->seam().texts(),
              QStringList{QStringLiteral("Name stored in the unit as \"LEE  J X\": commas and control characters "
                                         "become spaces.")});
    EXPECT_EQ(unit.lastCommands().size(), 1);
    EXPECT_EQ(unit.commandCount("b"), 1);
    EXPECT_EQ(unit.directoryRecords()[0].name, QByteArray("LEE  J X"));
    EXPECT_EQ(unit.directoryRecords()[0].phone, QByteArray("01615551234?????"));
    EXPECT_EQ(table().RowText(0, 0), QByteArray("LEE, J\rX"));
}

TEST_F(EditingTest, ACommittedPlaceholderRecordTakesTheFirstFreeAddress)
{
    downloaded({UnitRecord(128, "FIRST", "10"), UnitRecord(130, "THIRD", "30")});
    // A record a tag download made for a room the directory did not hold.
    table().AppendRecord({"", "12", "", "", "", "", "0012345678", "p3"});
    table().SetPosition(3);
    type("Namef", QStringLiteral("TAGGED"));

    Click(pushButton("NavOk"));

    EXPECT_TRUE(window->seam().texts().isEmpty()) << lastMessage().toStdString();
    EXPECT_EQ(column("Addr"), (QList<QByteArray>{"1000", "1020", "1040"}));
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"FIRST", "TAGGED", "THIRD"}));
    EXPECT_EQ(column("RFID"), (QList<QByteArray>{"", "0012345678", ""}));
    EXPECT_EQ(unitNames(), (QList<QByteArray>{"FIRST", "TAGGED", "THIRD"}));
    EXPECT_EQ(unitBlocks(), (QList<int>{128, 129, 130}));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("TAGGED"));
}

TEST_F(EditingTest, DownloadEditInsertDeleteThenWriteAllLeavesTheUnitMatchingTheTable)
{
    downloaded({UnitRecord(128, "Cole", "10"), UnitRecord(129, "adams", "20"), UnitRecord(130, "Baker", "30"),
                UnitRecord(131, "Dodd", "40")});
    // Edit the second record.
    table().SetPosition(2);
    type("PHnumber", QStringLiteral("0441234"));
    Click(pushButton("NavOk"));
    // Insert one from the boxes.
    type("Namef", QStringLiteral("Evans"));
    type("RoomNumber", QStringLiteral("50"));
    Click(pushButton("NavInst"));
    // Delete the first.
    table().First();
    window->seam().queueAnswer(true);
    Click(navButton("nbDelete"));
    ASSERT_TRUE(window->seam().texts().size() == 1) << lastMessage().toStdString();
    // Each change went through.
    QList<QByteArray> names;
    for (int r = 0; r < table().RecordCount(); ++r)
        names.append(table().RowText(r, 0));
    QList<QByteArray> held = unitNames();
    std::sort(names.begin(), names.end());
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, names);
    EXPECT_EQ(unit.directoryRecords().size(), 4);

    clickWriteData();

    EXPECT_EQ(column("Name"), (QList<QByteArray>{"adams", "Baker", "Dodd", "Evans"}));
    EXPECT_EQ(unitNames(), column("Name"));
    EXPECT_EQ(unitBlocks(), (QList<int>{128, 129, 130, 131}));
    EXPECT_EQ(unit.directoryRecords()[0].phone, QByteArray("0441234?????????"));
}

// --- boxes and keys ---------------------------------------------------------------------

TEST_F(EditingTest, EnterInTheNameBoxStripsLeadingSpacesAndMovesOn)
{
    makeWindow();
    box("Namef")->setFocus();
    box("Namef")->setText(QStringLiteral("  Smith"));
    enter("Namef");
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("Smith"));
    EXPECT_EQ(window->focusWidget(), box("RoomNumber"));
    EXPECT_TRUE(window->seam().texts().isEmpty());
}

TEST_F(EditingTest, ANameMustStartWithALetterOrDigit)
{
    makeWindow();
    const QString message = QStringLiteral("must enter a name or number\r\nwithout a space as a first character\r\n"
                                           "start characters may be:\r\n A-Z or a-z or 0-9");
    box("Namef")->setFocus();
    box("Namef")->setText(QStringLiteral("-Smith"));
    enter("Namef");
    EXPECT_EQ(lastMessage(), message);
    EXPECT_EQ(window->focusWidget(), box("Namef"));
    EXPECT_EQ(box("Namef")->selectedText(), QStringLiteral("-Smith"));
    box("Namef")->clear();
    enter("Namef");
    EXPECT_EQ(window->seam().texts(), (QStringList{message, message}));
}

TEST_F(EditingTest, AnEmptyRoomSaysMustEnterANumberOnce)
{
    makeWindow();
    box("RoomNumber")->setFocus();
    enter("RoomNumber");
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("Must enter a number")});
    EXPECT_EQ(window->focusWidget(), box("RoomNumber"));
}

TEST_F(EditingTest, ANonNumericRoomMovesOnThenWarns)
{
    makeWindow();
    box("RoomNumber")->setFocus();
    box("RoomNumber")->setText(QStringLiteral(" 12a"));
    enter("RoomNumber");
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("Must enter a number")});
    EXPECT_EQ(box("RoomNumber")->text(), QStringLiteral("12a"));
    EXPECT_EQ(window->focusWidget(), box("PHnumber"));
    window->seam().clearTexts();
    box("RoomNumber")->setText(QStringLiteral("042"));
    box("RoomNumber")->setFocus();
    enter("RoomNumber");
    EXPECT_TRUE(window->seam().texts().isEmpty());
}

TEST_F(EditingTest, ThePhoneBoxTakesOnlyDialCharacters)
{
    makeWindow();
    QLineEdit *phone = box("PHnumber");
    phone->setFocus();
    QTest::keyClicks(phone, QStringLiteral("a1b*#:pP9x "));
    EXPECT_EQ(phone->text(), QStringLiteral("1*#:pP9"));
    QTest::keyClick(phone, Qt::Key_Backspace);
    EXPECT_EQ(phone->text(), QStringLiteral("1*#:pP"));
    // Pasted text passes the same filter.
    QApplication::clipboard()->setText(QStringLiteral("044-12 3x"));
    phone->paste();
    EXPECT_EQ(phone->text(), QStringLiteral("1*#:pP044123"));
    EXPECT_EQ(phone->maxLength(), 16);
    // Enter moves on.
    enter("PHnumber");
    EXPECT_EQ(window->focusWidget(), box("Code1"));
    enter("Code1");
    EXPECT_EQ(window->focusWidget(), box("Code2"));
}

TEST_F(EditingTest, TheButtonsWaitForANameAndARoom)
{
    makeWindow();
    ASSERT_TRUE(entryButtonsDisabled());
    QTest::keyClicks(box("Namef"), QStringLiteral("Smith"));
    EXPECT_TRUE(entryButtonsDisabled());
    QTest::keyClicks(box("RoomNumber"), QStringLiteral("1"));
    EXPECT_TRUE(entryButtonsEnabled());
    // Clearing a box later does not disable them.
    box("Namef")->clear();
    EXPECT_TRUE(entryButtonsEnabled());
}

TEST_F(EditingTest, UndoRestoresTheBoxesFromTheRecord)
{
    makeWindow();
    fillTable({{"Smith", "12", "0123", "1", "2", "3"}});
    QTest::keyClicks(box("Namef"), QStringLiteral("XX"));
    type("PHnumber", QStringLiteral("999"));
    ASSERT_TRUE(entryButtonsEnabled());
    Click(pushButton("Undo"));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("Smith"));
    EXPECT_EQ(box("PHnumber")->text(), QStringLiteral("0123"));
    EXPECT_EQ(box("Spare")->text(), QStringLiteral("3"));
    EXPECT_TRUE(entryButtonsDisabled());
}

TEST_F(EditingTest, TheBoxesAndTheRfidBoxesFollowTheCurrentRecord)
{
    makeWindow();
    fillTable({{"A", "1", "", "", "", "", "00AABBCCDD"}, {"B", "2"}});
    EXPECT_EQ(box("rfName")->text(), QStringLiteral("A"));
    EXPECT_EQ(box("rfRoom")->text(), QStringLiteral("1"));
    EXPECT_EQ(box("rfID")->text(), QStringLiteral("00AABBCCDD"));
    Click(navButton("nbNext"));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("B"));
    EXPECT_EQ(box("rfID")->text(), QString());
    EXPECT_EQ(control<QLabel>("recordno")->text(), QStringLiteral("2"));
    EXPECT_EQ(control<QLabel>("totrec")->text(), QStringLiteral("2"));
    Click(navButton("nbFirst"));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("A"));
    // A click in the grid moves the table.
    QTableView *grid = page().DBGrid1();
    const QRect cell = grid->visualRect(grid->model()->index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(table().Position(), 2);
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("B"));
}

TEST_F(EditingTest, ATitleClickSortsByThatColumnIgnoringCase)
{
    makeWindow();
    fillTable({{"Baker", "10"}, {"adams", "2"}, {"cole", "100"}});
    page().DBGrid1TitleClick(1);
    EXPECT_EQ(column("RoomNumber"), (QList<QByteArray>{"10", "100", "2"}));
    EXPECT_EQ(table().Position(), 1);
    QHeaderView *header = page().DBGrid1()->horizontalHeader();
    const int x = header->sectionViewportPosition(0) + header->sectionSize(0) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"adams", "Baker", "cole"}));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("adams"));
}
