// Finding clients: the find rule over DirectoryTable, and the find box above
// DBGrid1 in the real window with write-through to the simulated unit.
#include <QFile>
#include <QTest>

#include "clientfilter.h"
#include "directory_page_fixture.h"
#include "memtablemodel.h"

using namespace dirtest;
using shelltest::Click;

namespace {

// The names a find text leaves in a grid over the table.
QList<QByteArray> found(porv::ClientFilterModel &filter, const QString &text)
{
    filter.SetFindText(text);
    QList<QByteArray> names;
    for (int r = 0; r < filter.rowCount(); ++r)
        names << filter.index(r, 0).data().toString().toLatin1();
    return names;
}

} // namespace

TEST(ClientFilterTest, FindsNamesRoomsPhoneDigitsAndTagsInAnyCaseWithoutChangingTheTable)
{
    porv::MemTable table;
    porv::DefineDirectoryTable(table);
    table.Open();
    porv::MemTableModel model(&table);
    porv::ClientFilterModel filter(table);
    filter.setSourceModel(&model);
    // Name, RoomNumber, PHnumber, Code1, Code2, spare, RFID, Addr.
    table.AppendRecord({"M\xDCLLER A", "12", "0123 456 789", "", "", "", "", "1000"});
    table.AppendRecord({"SMITH", "204", "0441234567p12", "", "", "", "3A0000400C", "1020"});
    table.AppendRecord({"Lee", "7", "9876", "", "", "", "", "1040"});
    table.SetPosition(3);

    const QByteArray muller = "M\xDCLLER A";
    EXPECT_EQ(found(filter, QStringLiteral("müller")), QList<QByteArray>{muller});
    EXPECT_EQ(found(filter, QStringLiteral("MüLL")), QList<QByteArray>{muller});
    EXPECT_EQ(found(filter, QStringLiteral("LEE")), QList<QByteArray>{"Lee"});
    // Phone digits match with or without the blanks on either side.
    EXPECT_EQ(found(filter, QStringLiteral("0123456")), QList<QByteArray>{muller});
    EXPECT_EQ(found(filter, QStringLiteral("441 234")), QList<QByteArray>{"SMITH"});
    EXPECT_EQ(found(filter, QStringLiteral("567P12")), QList<QByteArray>{"SMITH"});
    EXPECT_EQ(found(filter, QStringLiteral("400c")), QList<QByteArray>{"SMITH"});
    EXPECT_EQ(found(filter, QStringLiteral("20")), QList<QByteArray>{"SMITH"});
    // Nothing in the unit's character set holds a character beyond Latin-1.
    EXPECT_TRUE(found(filter, QStringLiteral("€")).isEmpty());
    EXPECT_EQ(found(filter, QString()), (QList<QByteArray>{muller, "SMITH", "Lee"}));

    // The table keeps its records, order and current record; a record added
    // or changed while a text is set is filtered like the others.
    found(filter, QStringLiteral("smi"));
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.Position(), 3);
    table.AppendRecord({"SMITHERS", "9", "", "", "", "", "", "1060"});
    table.SetPosition(1);
    table.Edit();
    table.SetFieldText("Name", "BLACKSMITH");
    table.Post();
    EXPECT_EQ(filter.rowCount(), 3);
}

class FindTest : public DirectoryPageTest {};

TEST_F(FindTest, ACommitInTheFilteredGridWritesTheRecordChosenThere)
{
    unit.setModel(qx4::Model::Qx4_1000);
    unit.eraseDirectory();
    const QList<qx4::DirectoryRecord> records = {UnitRecord(128, "ADAMS", "10"), UnitRecord(129, "M\xDCLLER", "20"),
                                                 UnitRecord(130, "LEE", "30"), UnitRecord(131, "ZED", "40")};
    for (const auto &r : records)
        ASSERT_TRUE(unit.setDirectoryRecord(r));
    loggedOnAsSeeded();
    clickGetData();
    ASSERT_EQ(table().RecordCount(), 4);
    ASSERT_TRUE(page().State().DirectorySynced);
    unit.resetCounts();

    QLineEdit *find = box("FindClient");
    find->setFocus();
    QTest::keyClicks(find, QStringLiteral("m"));
    QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Udiaeresis, Qt::NoModifier, QStringLiteral("ü"));
    QCoreApplication::sendEvent(find, &umlaut);
    QTest::keyClicks(find, QStringLiteral("ll"));
    QTableView *grid = page().DBGrid1();
    ASSERT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(control<QLabel>("FindClientCount")->text(), QStringLiteral("1 of 4"));
    EXPECT_EQ(control<QLabel>("totrec")->text(), QStringLiteral("4"));

    // The user clicks the one row shown: that record becomes current.
    const QRect row = grid->visualRect(grid->model()->index(0, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    ASSERT_EQ(box("Namef")->text(), QStringLiteral("MÜLLER"));
    EXPECT_EQ(table().Position(), 2);
    box("PHnumber")->setFocus();
    box("PHnumber")->selectAll();
    QTest::keyClicks(box("PHnumber"), QStringLiteral("0449"));
    Click(pushButton("NavOk"));

    EXPECT_EQ(unit.commandCount("b"), 1);
    const QList<qx4::DirectoryRecord> after = unit.directoryRecords();
    ASSERT_EQ(after.size(), 4);
    EXPECT_EQ(after[1].name, QByteArray("M\xDCLLER"));
    EXPECT_EQ(after[1].phone, QByteArray("0449????????????"));
    for (int i : {0, 2, 3})
        EXPECT_EQ(after[i].phone, records[i].phone) << i;
    EXPECT_EQ(column("PHnumber"), (QList<QByteArray>{"0123456789", "0449", "0123456789", "0123456789"}));
    // Save writes the whole table, filtered or not.
    window->FileSave1Execute();
    QFile saved(box("DBFiles")->text());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().count("\r\n"), 1 + 4);

    // Escape shows every record again, the current one marked.
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_TRUE(find->text().isEmpty());
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->currentIndex().row(), 1);
}

TEST_F(FindTest, TheRecordTheCommandsActOnIsAlwaysOneTheFilteredGridShows)
{
    makeWindow();
    fillTable({{"ADAMS", "1", "0111", "", "", "", "", "1000"},   {"KELLER", "2", "0222", "", "", "", "", "1020"},
               {"MILLER", "3", "0333", "", "", "", "", "1040"},  {"SMITH C", "4", "0444", "", "", "", "", "1060"},
               {"TELLER", "5", "0555", "", "", "", "", "1080"},  {"ZELLER", "6", "0666", "", "", "", "", "10A0"}});
    table().SetPosition(4);
    ASSERT_EQ(box("Namef")->text(), QStringLiteral("SMITH C"));
    QTableView *grid = page().DBGrid1();
    QLineEdit *find = box("FindClient");
    auto *history = pushButton("FindClientHistory");
    auto *del = navButton("nbDelete");
    const auto currentName = [this] { return QString::fromLatin1(table().FieldText("Name")); };
    const auto markedName = [grid] { return grid->currentIndex().siblingAtColumn(0).data().toString(); };

    // The filter hides SMITH C: the first record shown becomes current, and
    // the boxes, the grid's mark and History follow it.
    find->setFocus();
    QTest::keyClicks(find, QStringLiteral("ller"));
    ASSERT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(currentName(), QStringLiteral("KELLER"));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("KELLER"));
    EXPECT_EQ(markedName(), QStringLiteral("KELLER"));
    EXPECT_TRUE(history->isEnabled());

    // The navigator moves among the records shown.
    Click(navButton("nbNext"));
    Click(navButton("nbNext"));
    EXPECT_EQ(currentName(), QStringLiteral("TELLER"));
    Click(navButton("nbPrior"));
    EXPECT_EQ(currentName(), QStringLiteral("MILLER"));
    Click(navButton("nbLast"));
    EXPECT_EQ(currentName(), QStringLiteral("ZELLER"));
    Click(navButton("nbFirst"));
    EXPECT_EQ(currentName(), QStringLiteral("KELLER"));

    // A delete makes the next record shown current, not the hidden one after it.
    Click(navButton("nbNext"));
    ASSERT_EQ(currentName(), QStringLiteral("MILLER"));
    window->seam().queueAnswer(true);
    Click(del);
    ASSERT_EQ(table().RecordCount(), 5);
    EXPECT_EQ(currentName(), QStringLiteral("TELLER"));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("TELLER"));
    EXPECT_EQ(markedName(), QStringLiteral("TELLER"));

    // A commit that leaves the record outside the find text: the next record
    // shown becomes current.
    Click(navButton("nbFirst"));
    ASSERT_EQ(box("Namef")->text(), QStringLiteral("KELLER"));
    box("Namef")->selectAll();
    QTest::keyClicks(box("Namef"), QStringLiteral("KEMP"));
    Click(pushButton("NavOk"));
    EXPECT_EQ(table().RowText(1, 0), QByteArray("KEMP"));
    EXPECT_TRUE(shelltest::WaitFor([&] { return currentName() == QStringLiteral("TELLER"); }));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("TELLER"));
    EXPECT_EQ(markedName(), QStringLiteral("TELLER"));
    ASSERT_EQ(grid->model()->rowCount(), 2);
    // So does an insert of a record the text does not find.
    box("Namef")->selectAll();
    QTest::keyClicks(box("Namef"), QStringLiteral("BROWN"));
    box("RoomNumber")->selectAll();
    QTest::keyClicks(box("RoomNumber"), QStringLiteral("77"));
    Click(pushButton("NavInst"));
    ASSERT_EQ(table().RecordCount(), 6);
    EXPECT_TRUE(shelltest::WaitFor([&] { return currentName() == QStringLiteral("TELLER"); }));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("TELLER"));

    // Nothing shown: the boxes are empty and no command acts on a record,
    // whatever is typed into the boxes.
    QTest::keyClicks(find, QStringLiteral("x"));
    ASSERT_EQ(grid->model()->rowCount(), 0);
    EXPECT_TRUE(box("Namef")->text().isEmpty());
    EXPECT_TRUE(box("RoomNumber")->text().isEmpty());
    EXPECT_TRUE(box("PHnumber")->text().isEmpty());
    QTest::keyClicks(box("Namef"), QStringLiteral("NEW"));
    QTest::keyClicks(box("RoomNumber"), QStringLiteral("9"));
    for (QWidget *command : std::initializer_list<QWidget *>{pushButton("NavOk"), pushButton("NavInst"),
                                                              pushButton("Undo"), history, del})
        EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
    window->seam().queueAnswer(true);
    Click(del);
    EXPECT_EQ(table().RecordCount(), 6);

    // Records shown again, the current one among them: the boxes show it
    // and its commands are back.
    QTest::keyClick(find, Qt::Key_Backspace);
    EXPECT_EQ(currentName(), QStringLiteral("TELLER"));
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("TELLER"));
    EXPECT_TRUE(del->isEnabled());
    EXPECT_TRUE(history->isEnabled());
    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_EQ(grid->model()->rowCount(), 6);
    EXPECT_EQ(markedName(), QStringLiteral("TELLER"));
    EXPECT_EQ(table().RecordCount(), 6);
}
