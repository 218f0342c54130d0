#pragma once
// The PhoneDataBase page in the real window, logged on to the simulated unit
// over the network link (UDP port 8000 on loopback).
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "directorypage.h"
#include "directorytable.h"
#include "link.h"
#include "memtable.h"
#include "session.h"
#include "shell_fixture.h"
#include "transferform.h"
#include "unit_seed.h"

#include <ostream>

// Readable texts in failure output.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << '"' << b.toStdString() << '"'; }

namespace dirtest {

// A unit record in the unit's own forms.
inline qx4::DirectoryRecord UnitRecord(int block, const QByteArray &name, const QByteArray &room,
                                       const QByteArray &phoneUnitDigits = QByteArray("0123456789"),
                                       const QByteArray &code1 = QByteArray("1234"))
{
    qx4::DirectoryRecord r;
    r.block = block;
    r.name = name;
    r.room = room;
    r.code1 = code1;
    r.phone = (phoneUnitDigits + QByteArray(16, '?')).left(16);
    return r;
}

class DirectoryPageTest : public shelltest::ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        // A serial port exists, so the start-up says nothing.
        ports = QStringList{QStringLiteral("ttyS9")};
    }

    // A unit of the model with `records` generated records (0: empty), a
    // window aimed at it over the network link, logged on.
    porv::TporvForm &loggedOn(qx4::Model model = qx4::Model::Qx4_1000, int records = 0, bool okNames = false)
    {
        qx4::SeedOptions seed;
        seed.model = model;
        seed.records = records;
        seed.okNames = okNames;
        seed.events = 0;
        seed.tags = 0;
        qx4::seedUnit(unit, seed);
        return loggedOnAsSeeded();
    }

    // The unit as it stands (set up by the test), logged on to.
    porv::TporvForm &loggedOnAsSeeded()
    {
        EXPECT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
        writeRecord(true, porv::test::UnitAddress, QByteArray());
        makeWindow();
        clickLogOn({});
        EXPECT_TRUE(window->link().LoggedOn()) << lastMessage().toStdString();
        return *window;
    }

    porv::DirectoryPage &page() const
    {
        auto *p = window->hostedPage<porv::DirectoryPage>();
        EXPECT_NE(p, nullptr);
        return *p;
    }
    porv::MemTable &table() const { return page().DirectoryTable(); }

    template <typename T = QWidget> T *control(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QPushButton *pushButton(const char *name) const { return control<QPushButton>(name); }
    QLineEdit *box(const char *name) const { return control<QLineEdit>(name); }
    QToolButton *navButton(const char *name) const { return control<QToolButton>(name); }

    void clickGetData() { shelltest::Click(pushButton("GetData")); }
    // WriteAllData, answering the question with `yes`.
    void clickWriteData(bool yes = true)
    {
        window->seam().queueAnswer(yes);
        shelltest::Click(pushButton("WriteData"));
    }

    // A column of the table in its current order.
    QList<QByteArray> column(const char *field) const
    {
        QList<QByteArray> out;
        const int f = table().FieldIndex(field);
        for (int r = 0; r < table().RecordCount(); ++r)
            out.append(table().RowText(r, f));
        return out;
    }

    // The names the unit holds, by address, and their blocks.
    QList<QByteArray> unitNames() const
    {
        QList<QByteArray> out;
        for (const qx4::DirectoryRecord &r : unit.directoryRecords())
            out.append(r.name);
        return out;
    }
    QList<int> unitBlocks() const
    {
        QList<int> out;
        for (const qx4::DirectoryRecord &r : unit.directoryRecords())
            out.append(r.block);
        return out;
    }

    // Puts records into the table as a file load would (not synced).
    void fillTable(const QList<QList<QByteArray>> &records)
    {
        porv::MemTable &t = table();
        for (const auto &values : records)
            t.AppendRecord(values);
        t.First();
    }
};

} // namespace dirtest
