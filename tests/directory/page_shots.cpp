// Pictures of the PhoneDataBase page: directory_page_shots [DIR]
// full.png: a full grid (1000 records of a seeded unit); editing.png: a record
// being edited, OK/Insert/Undo enabled; download.png: after a dump in RxMemo;
// find.png: the grid filtered by the find box; wide_name.png: a name that
// needs more than the column's 130 pixels.
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>

#include "application.h"
#include "codecs.h"
#include "dialogseam.h"
#include "directorypage.h"
#include "link.h"
#include "mainwindow.h"
#include "portlist.h"
#include "unit_seed.h"

namespace {

void UndoClick(porv::TporvForm &window)
{
    if (auto *page = window.hostedPage<porv::DirectoryPage>())
        page->UndoClick();
}

} // namespace

int main(int argc, char **argv)
{
    porv::Application app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(dir);
    porv::DialogSeam::SetScriptedByDefault(true);
    porv::SetPortListSource([] { return QStringList{QStringLiteral("ttyS0")}; });

    qx4::SimulatedUnit unit;
    qx4::SeedOptions seed;
    seed.records = 1000;
    seed.okNames = true;
    qx4::seedUnit(unit, seed);

    porv::TporvForm window;
    window.show();
    auto *page = window.hostedPage<porv::DirectoryPage>();
    if (!page)
        return 1;
    porv::MemTable &table = page->DirectoryTable();
    QByteArray dump = "d01281152\r\n";
    table.SuspendDisplay();
    for (const qx4::DirectoryRecord &r : unit.directoryRecords()) {
        table.AppendRecord({r.name, r.room, porv::DecodeDigits(r.phone), r.code1, r.code2, r.spare, QByteArray(),
                            QByteArray::number(r.address(), 16).toUpper()});
        dump += qx4::SimulatedUnit::directoryLine(r.block, unit.block(r.block)) + "\r\n";
    }
    table.ResumeDisplay();
    table.First();
    window.link().SetReceiveView(dump + "OK\r\n");
    QCoreApplication::processEvents();
    window.grab().save(dir + QStringLiteral("/full.png"));

    table.SetPosition(7);
    auto *name = window.findChild<QLineEdit *>(QStringLiteral("Namef"));
    auto *phone = window.findChild<QLineEdit *>(QStringLiteral("PHnumber"));
    name->setText(name->text() + QStringLiteral(" JR"));
    phone->setText(QStringLiteral("0441234567p12"));
    name->setFocus();
    QCoreApplication::processEvents();
    window.grab().save(dir + QStringLiteral("/editing.png"));

    // Finding: the grid filtered to the records holding the text.
    UndoClick(window);
    window.findChild<QLineEdit *>(QStringLiteral("FindClient"))->setText(QStringLiteral("lee"));
    QCoreApplication::processEvents();
    window.grab().save(dir + QStringLiteral("/find.png"));

    // A name of sixteen wide letters: the column and the grid widen for it.
    window.findChild<QLineEdit *>(QStringLiteral("FindClient"))->clear();
    table.SetPosition(2);
    table.Edit();
    table.SetFieldText("Name", "WASHINGTON-SMYTH");
    table.Post();
    QCoreApplication::processEvents();
    window.grab().save(dir + QStringLiteral("/wide_name.png"));
    return 0;
}
