// Writes pictures of the RFid_SU page to a folder: rfid_shots [DIR]
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>

#include "application.h"
#include "dialogseam.h"
#include "directorypage.h"
#include "mainwindow.h"
#include "memtable.h"
#include "portlist.h"
#include "rfidpage.h"

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    porv::Application app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(dir);
    porv::DialogSeam::SetScriptedByDefault(true);
    porv::SetPortListSource([] { return QStringList{QStringLiteral("ttyS0")}; });
    porv::TporvForm window;
    window.show();
    window.RFbuttClick();
    QCoreApplication::processEvents();
    window.grab().save(dir + QStringLiteral("/rfid_empty.png"));

    auto *directory = window.hostedPage<porv::DirectoryPage>();
    porv::MemTable &table = directory->DirectoryTable();
    const char *names[] = {"ADAMS P", "BAKER R", "COLE S", "DUNN T", "EVANS M", "FOX A", "GRAY L", "HILL J"};
    for (int i = 0; i < 8; ++i) {
        const QByteArray room = QByteArray::number(101 + i / 2 * 100 + i % 2);
        const QByteArray code = i % 3 == 2 ? QByteArray() : QByteArray::number(0x3A00000000LL + i * 4099, 16).toUpper();
        table.AppendRecord({names[i], room, "0123456789", "1234", "", "", code,
                            QByteArray::number(0x1000 + 32 * i, 16).toUpper()});
    }
    table.AppendRecord({"", "909", "", "", "", "", "0A0B0C0D0E", "p2"});
    // Two-digit row numbers and a name of sixteen wide letters.
    table.AppendRecord({"WASHINGTON-SMYTH", "999999", "", "", "", "", "0A0B0C0D0F", "1200"});
    table.AppendRecord({"KOWALCZYK-MEYERS", "1000", "", "", "", "", "", "1220"});
    table.SetPosition(4);
    window.SetLoggedOnControls();
    auto *page = window.hostedPage<porv::RfidPage>();
    page->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))->setValue(13);
    page->findChild<QLabel *>(QStringLiteral("iderror"))->setText(QStringLiteral("Ready"));
    QCoreApplication::processEvents();
    window.grab().save(dir + QStringLiteral("/rfid_capture.png"));

    page->FindTagOwner(table.RowText(0, 6));
    page->findChild<QLineEdit *>(QStringLiteral("rfID"))->setText(QString::fromLatin1(table.RowText(0, 6)));
    page->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))->setValue(0);
    QCoreApplication::processEvents();
    window.grab().save(dir + QStringLiteral("/rfid_match.png"));
    return 0;
}
