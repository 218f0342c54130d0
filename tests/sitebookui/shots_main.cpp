// Writes pictures of the site book window and its dialogs to a folder:
// sitebook_shots [DIR]. The book is a SQLite file in a folder of its own.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "application.h"
#include "dialogseam.h"
#include "mainwindow.h"
#include "portlist.h"
#include "sitebook.h"
#include "sitebookwindow.h"

namespace {

porv::UnitBackup backup(const QList<QByteArray> &names, const QDateTime &taken)
{
    porv::UnitBackup b;
    b.modelLine = "QX4-1000";
    b.memoryLimit = 0x9000;
    b.taken = taken;
    b.directory.emplace();
    b.tags.emplace();
    for (int i = 0; i < names.size(); ++i) {
        porv::BackupRecord r;
        r.addr = QByteArray::number(0x1000 + 0x20 * i, 16).toUpper();
        r.name = names.at(i);
        r.room = QByteArray::number(101 + i);
        r.phone = "0123 45" + QByteArray::number(i);
        r.code1 = "4711";
        b.directory->append(r);
    }
    b.tags->append(porv::BackupTag{"101", "0A1B2C3D4E"});
    return b;
}

void fillBook()
{
    std::unique_ptr<porv::SiteBook> b = std::move(porv::SiteBook::Open(porv::ParseBookLocation(QString()).value).value);
    const QDateTime monday(QDate(2024, 6, 3), QTime(8, 30), Qt::UTC);
    const qint64 harbour = b->AddSite({0, QStringLiteral("Harbour"), QStringLiteral("1 Quay Street"), QString()}).value;
    const qint64 mill = b->AddSite({0, QStringLiteral("Mill"), QStringLiteral("Mill Lane"), QString()}).value;
    porv::BookUnit u;
    u.siteId = harbour;
    u.label = QStringLiteral("Gate A");
    u.address = QStringLiteral("10.0.0.7");
    const qint64 gate = b->AddUnit(u).value;
    b->MarkReached(gate, "QX4-1000", 0x9000, monday.addDays(1));
    u.label = QStringLiteral("Lift");
    u.transport = porv::UnitTransport::Serial;
    u.address = QStringLiteral("/dev/ttyUSB0");
    b->AddUnit(u);
    u.siteId = mill;
    u.label = QStringLiteral("Back door");
    u.transport = porv::UnitTransport::Modem;
    u.address = QStringLiteral("/dev/ttyS0");
    u.number = QStringLiteral("0123456789");
    b->AddUnit(u);
    b->SetActor({QStringLiteral("anna"), QStringLiteral("van-3"), QStringLiteral("8.4")});
    b->AddSnapshot(gate, backup({"Ann", "Bob", "Renee Ball"}, monday), porv::SnapshotOrigin::Manual);
    porv::JournalEntry commit;
    commit.unitId = gate;
    commit.at = monday.addSecs(3600);
    commit.changes = {{QStringLiteral("record 1000"), QStringLiteral("name"), "Ann", "Ann Lee"},
                      {QStringLiteral("record 1000"), QStringLiteral("code1"), "4711", "5822"}};
    b->Journal(commit);
    porv::JournalEntry pins;
    pins.unitId = gate;
    pins.kind = porv::JournalKind::PinsWritten;
    pins.confirmed = false;
    pins.at = monday.addSecs(7200);
    pins.secretsChanged = {porv::SecretCode::Pin2};
    b->Journal(pins);
    b->AddSnapshot(gate, backup({"Ann Lee", "Bob", "Renee Ball"}, monday.addSecs(10800)), porv::SnapshotOrigin::BeforeWrite);
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    porv::Application app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(dir);
    porv::DialogSeam::SetScriptedByDefault(true);
    porv::SetPortListSource([] { return QStringList{QStringLiteral("ttyS0")}; });
    fillBook();
    porv::TporvForm window;
    window.show();
    auto *file = window.findChild<QMenu *>(QStringLiteral("File1"));
    file->popup(window.mapToGlobal(QPoint(10, 20)));
    QCoreApplication::processEvents();
    file->grab().save(dir + QStringLiteral("/file_menu_sitebook.png"));
    file->hide();

    window.findChild<QAction *>(QStringLiteral("SiteBook1"))->trigger();
    auto *book = window.findChild<porv::SiteBookWindow *>(QStringLiteral("SiteBook"));
    auto *tree = book->findChild<QTreeWidget *>(QStringLiteral("BookTree"));
    tree->setCurrentItem(tree->findItems(QStringLiteral("Gate A"), Qt::MatchRecursive).value(0));
    auto *history = book->findChild<QTreeWidget *>(QStringLiteral("HistoryList"));
    history->setCurrentItem(history->topLevelItem(2));
    QCoreApplication::processEvents();
    book->grab().save(dir + QStringLiteral("/sitebook_history.png"));

    auto *find = book->findChild<QLineEdit *>(QStringLiteral("BookFind"));
    find->setText(QStringLiteral("ball"));
    QMetaObject::invokeMethod(find, "returnPressed");
    QCoreApplication::processEvents();
    book->grab().save(dir + QStringLiteral("/sitebook_find.png"));
    book->findChild<QTabWidget *>(QStringLiteral("BookViews"))->setCurrentIndex(0);

    auto shoot = [&](const char *button, const QString &name, std::function<void(QDialog &)> before = {}) {
        window.seam().queueDialog([&, name, before](QDialog &d) {
            if (before)
                before(d);
            QCoreApplication::processEvents();
            d.grab().save(dir + QLatin1Char('/') + name);
            d.reject();
        });
        book->findChild<QPushButton *>(QLatin1String(button))->click();
    };
    shoot("EditBookItem", QStringLiteral("sitebook_unit_editor.png"));
    tree->setCurrentItem(tree->findItems(QStringLiteral("Back door"), Qt::MatchRecursive).value(0));
    shoot("EditBookItem", QStringLiteral("sitebook_unit_editor_modem.png"));
    tree->setCurrentItem(tree->findItems(QStringLiteral("Harbour"), Qt::MatchRecursive).value(0));
    shoot("EditBookItem", QStringLiteral("sitebook_site_editor.png"));
    shoot("BookLocationButton", QStringLiteral("sitebook_location.png"), [](QDialog &d) {
        d.findChild<QLineEdit *>(QStringLiteral("BookUrl"))->setText(QStringLiteral("postgresql://anna@db.example/book"));
    });
    tree->setCurrentItem(tree->findItems(QStringLiteral("Gate A"), Qt::MatchRecursive).value(0));
    history->clearSelection();
    for (int r = 0; r < history->topLevelItemCount(); ++r)
        if (history->topLevelItem(r)->text(3).startsWith(QLatin1String("Snapshot")))
            history->topLevelItem(r)->setSelected(true);
    window.seam().queueDialog([&](QDialog &d) {
        QCoreApplication::processEvents();
        d.grab().save(dir + QStringLiteral("/sitebook_compare.png"));
        d.reject();
    });
    book->findChild<QPushButton *>(QStringLiteral("CompareSnapshots"))->click();

    // A book that cannot be opened.
    QFile damaged(home.filePath(QStringLiteral("damaged.sqlite")));
    damaged.open(QIODevice::WriteOnly);
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    window.seam().queueDialog([&](QDialog &d) {
        d.findChild<QLineEdit *>(QStringLiteral("BookUrl"))->setText(damaged.fileName());
        d.findChild<QPushButton *>(QStringLiteral("BookLocationOk"))->click();
    });
    book->findChild<QPushButton *>(QStringLiteral("BookLocationButton"))->click();
    QCoreApplication::processEvents();
    book->grab().save(dir + QStringLiteral("/sitebook_no_book.png"));
    return 0;
}
