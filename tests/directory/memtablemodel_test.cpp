#include "memtable.h"
#include "memtablemodel.h"
#include "table_helpers.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

using porv::MemTable;
using porv::MemTableModel;
using namespace porv::test;

namespace {

QByteArray B(const char *s) { return QByteArray(s); }

class MemTableModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DefineNameRoom(t);
        model = std::make_unique<MemTableModel>(&t);
        tester = std::make_unique<QAbstractItemModelTester>(model.get(),
                                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    QString cell(int row, int column) const { return model->data(model->index(row, column)).toString(); }

    MemTable t;
    std::unique_ptr<MemTableModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

TEST_F(MemTableModelTest, ColumnsAreTheFieldsTitledByName)
{
    EXPECT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Room"));
}

TEST_F(MemTableModelTest, ValuesAreShownAsLatin1AndReadOnly)
{
    t.AppendRecord({QByteArray("M\xfcller"), B("12")});
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), QString::fromLatin1("M\xfcller"));
    EXPECT_EQ(cell(0, 0).at(1).unicode(), 0xfc);
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, 0), QStringLiteral("x")));
}

TEST_F(MemTableModelTest, SingleChangesSendRowSignalsNotResets)
{
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);

    t.AppendRecord({B("A"), B("1")});
    t.AppendRecord({B("B"), B("2")});
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 1);

    t.SetPosition(1);
    t.Edit();
    t.SetFieldText(B("Room"), B("9"));
    t.Post();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>().row(), 0);
    EXPECT_EQ(cell(0, 1), QStringLiteral("9"));

    t.Delete();
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 0);
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), QStringLiteral("B"));
    EXPECT_EQ(resets.count(), 0);
}

TEST_F(MemTableModelTest, PendingRecordIsNotARow)
{
    t.AppendRecord({B("A"), B("1")});
    t.Append();
    t.SetFieldText(B("Name"), B("B"));
    EXPECT_EQ(model->rowCount(), 1);
    t.Post();
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(cell(1, 0), QStringLiteral("B"));
}

TEST_F(MemTableModelTest, SortedEditMovesTheRow)
{
    t.AppendRecord({B("A"), B("1")});
    t.AppendRecord({B("B"), B("2")});
    t.AppendRecord({B("C"), B("3")});
    t.Sort("Name", MemTable::SortCase::Insensitive);
    QSignalSpy moved(model.get(), &QAbstractItemModel::rowsMoved);
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    t.SetPosition(1);
    t.Edit();
    t.SetFieldText(B("Name"), B("D"));
    t.Post();
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(cell(0, 0), QStringLiteral("B"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("D"));

    t.Edit();
    t.SetFieldText(B("Name"), B("Aa"));
    t.Post();
    EXPECT_EQ(moved.count(), 2);
    EXPECT_EQ(cell(0, 0), QStringLiteral("Aa"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("B"));
}

TEST_F(MemTableModelTest, SuspendedFillSendsOneResetOnResume)
{
    int signalsSeen = 0;
    QObject::connect(model.get(), &QAbstractItemModel::rowsInserted, [&] { ++signalsSeen; });
    QObject::connect(model.get(), &QAbstractItemModel::rowsRemoved, [&] { ++signalsSeen; });
    QObject::connect(model.get(), &QAbstractItemModel::rowsMoved, [&] { ++signalsSeen; });
    QObject::connect(model.get(), &QAbstractItemModel::layoutChanged, [&] { ++signalsSeen; });
    QObject::connect(model.get(), &QAbstractItemModel::dataChanged, [&] { ++signalsSeen; });
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);

    t.SuspendDisplay();
    t.SuspendDisplay(); // nested
    for (int i = 0; i < 1000; ++i)
        t.AppendRecord({QByteArray::number(i), B("1")});
    t.SetPosition(5);
    t.Delete();
    t.Sort("Name", MemTable::SortCase::Sensitive);
    t.ResumeDisplay();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(model->rowCount(), 0); // the view has not been told yet
    t.ResumeDisplay();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(signalsSeen, 0);
    EXPECT_EQ(model->rowCount(), 999);
}

TEST_F(MemTableModelTest, RedefinedTableChangesTheColumns)
{
    t.AppendRecord({B("A"), B("1")});
    t.Reset();
    t.DefineField("One", porv::FieldType::Text, 3);
    t.DefineField("Two", porv::FieldType::Text, 3);
    t.DefineField("Three", porv::FieldType::Text, 3);
    t.Open();
    EXPECT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Three"));
}
