// What the book holds: sites and units, snapshots kept per unit, the change
// journal with its history, find across the book; that no PIN or emergency
// code ever reaches its files; and the PIN file of scheduled work.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <sys/stat.h>

#include "book_fixture.h"
#include "bookdb.h"
#include "pinsfile.h"
#include "savefile.h"
#include "unitcompare.h"

namespace porv::test {
namespace {

const QDateTime kMonday(QDate(2024, 6, 3), QTime(8, 30), Qt::UTC);

class BookStoreTest : public BookTest {};

TEST_P(BookStoreTest, SitesAndUnits)
{
    std::unique_ptr<SiteBook> book = OpenBook(location);
    ASSERT_TRUE(book);
    const qint64 harbour = book->AddSite({0, QStringLiteral("Harbour"), QStringLiteral("1 Quay Street"), QStringLiteral("key at the office")}).value;
    const qint64 mill = book->AddSite({0, QStringLiteral("Mill"), QString(), QString()}).value;
    EXPECT_EQ(book->AddSite({0, QStringLiteral("Mill"), QString(), QString()}).error.kind, BookFailure::Duplicate) << qPrintable(book->AddSite({0, QStringLiteral("Mill"), QString(), QString()}).error.message);
    EXPECT_EQ(book->AddSite({0, QStringLiteral(" "), QString(), QString()}).error.kind, BookFailure::Invalid);

    BookUnit gate;
    gate.siteId = harbour;
    gate.label = QStringLiteral("Gate A");
    gate.address = QStringLiteral("10.0.0.7");
    const qint64 gateId = book->AddUnit(gate).value;
    BookUnit door = gate;
    door.siteId = mill;
    door.label = QStringLiteral("Mill door");
    door.transport = UnitTransport::Modem;
    door.address = QStringLiteral("/dev/ttyS0");
    EXPECT_EQ(book->AddUnit(door).error.kind, BookFailure::Invalid); // no number to dial
    door.number = QStringLiteral("0123456789");
    const qint64 doorId = book->AddUnit(door).value;
    EXPECT_GT(doorId, 0);
    BookUnit serial = gate;
    serial.label = QStringLiteral("Lift");
    serial.transport = UnitTransport::Serial;
    serial.address = QStringLiteral("/dev/ttyUSB0");
    ASSERT_TRUE(book->AddUnit(serial).ok());
    EXPECT_EQ(book->AddUnit(serial).error.kind, BookFailure::Duplicate);
    EXPECT_EQ(book->AddUnit(BookUnit{gate.id, 999, QString(), QStringLiteral("Nowhere"), UnitTransport::Udp,
                                     QStringLiteral("h"), QString(), QByteArray(), -1, QDateTime(), QString()})
                  .error.kind,
              BookFailure::NotFound);

    ASSERT_TRUE(book->MarkReached(gateId, "QX4-1000 V2.1", 0x3E7, kMonday).ok());
    BookResult<QList<BookUnit>> units = book->Units();
    ASSERT_EQ(units.value.size(), 3);
    EXPECT_EQ(units.value[0].label, QStringLiteral("Gate A")); // Harbour's, by label, then Mill's
    EXPECT_EQ(units.value[0].modelLine, QByteArray("QX4-1000 V2.1"));
    EXPECT_EQ(units.value[0].memoryLimit, 0x3E7);
    EXPECT_EQ(units.value[0].lastReached, kMonday);
    EXPECT_EQ(units.value[1].label, QStringLiteral("Lift"));
    EXPECT_EQ(units.value[2].siteName, QStringLiteral("Mill"));
    EXPECT_EQ(units.value[2].number, QStringLiteral("0123456789"));
    EXPECT_EQ(book->Units(mill).value.size(), 1);

    // Moved to the mill and renamed; a label taken is refused.
    BookUnit moved = book->UnitById(gateId).value;
    moved.siteId = mill;
    moved.label = QStringLiteral("Mill door");
    EXPECT_EQ(book->UpdateUnit(moved).kind, BookFailure::Duplicate);
    moved.label = QStringLiteral("Mill gate");
    // What a log-on found meanwhile (another PC's) is not taken back by an
    // edit of a copy read before it: those fields are the log-on's alone.
    ASSERT_TRUE(book->MarkReached(gateId, "QX4-250 V2.3", 0xFA, kMonday.addDays(1)).ok());
    moved.notes = QStringLiteral("moved");
    ASSERT_TRUE(book->UpdateUnit(moved).ok());
    const BookUnit millGate = book->UnitByLabel(QStringLiteral("Mill gate")).value;
    EXPECT_EQ(millGate.siteName, QStringLiteral("Mill"));
    EXPECT_EQ(millGate.notes, QStringLiteral("moved"));
    EXPECT_EQ(millGate.modelLine, QByteArray("QX4-250 V2.3"));
    EXPECT_EQ(millGate.memoryLimit, 0xFA);
    EXPECT_EQ(millGate.lastReached, kMonday.addDays(1));
    EXPECT_EQ(book->UnitByLabel(QStringLiteral("Gate A")).error.kind, BookFailure::NotFound);

    // A site with units stays; a unit goes with its history.
    EXPECT_EQ(book->RemoveSite(mill).kind, BookFailure::Invalid);
    ASSERT_TRUE(book->AddSnapshot(doorId, SampleBackup(3, QStringLiteral("Door"), kMonday), SnapshotOrigin::Manual).ok());
    ASSERT_TRUE(book->Journal({doorId, JournalKind::ClockSet, true, {}, {}, QDateTime()}).ok());
    ASSERT_TRUE(book->RemoveUnit(doorId).ok());
    ASSERT_TRUE(book->RemoveUnit(gateId).ok());
    EXPECT_TRUE(book->Find(QStringLiteral("Door 1")).value.isEmpty());
    EXPECT_TRUE(book->RemoveSite(mill).ok());
    EXPECT_EQ(book->Sites().value.size(), 1);
}

TEST_P(BookStoreTest, SnapshotsAreKeptPerUnitAndTravelAsFiles)
{
    std::unique_ptr<SiteBook> book = OpenBook(location);
    ASSERT_TRUE(book);
    const qint64 gate = AddGateUnit(*book);
    const qint64 lift = AddGateUnit(*book, QStringLiteral("Lift"));
    book->SetActor({QStringLiteral("anna"), QStringLiteral("van-3"), QStringLiteral("8.4")});
    book->SetKeptSnapshots(2);
    ASSERT_TRUE(book->AddSnapshot(lift, SampleBackup(2, QStringLiteral("Lift"), kMonday), SnapshotOrigin::Scheduled).ok());
    // Only what the backup reader reads back.
    UnitBackup tooLong = SampleBackup(2, QStringLiteral("Lift"), kMonday);
    (*tooLong.directory)[1].name = "Seventeen letters";
    BookResult<SnapshotInfo> refusedBackup = book->AddSnapshot(lift, tooLong, SnapshotOrigin::Manual);
    EXPECT_EQ(refusedBackup.error.kind, BookFailure::Invalid);
    EXPECT_TRUE(refusedBackup.error.message.contains(QStringLiteral("directory[1].name"))) << qPrintable(refusedBackup.error.message);
    for (int day = 0; day < 4; ++day)
        ASSERT_TRUE(book->AddSnapshot(gate, SampleBackup(3, QStringLiteral("Day%1").arg(day), kMonday.addDays(day)),
                                      day == 3 ? SnapshotOrigin::BeforeWrite : SnapshotOrigin::Manual)
                        .ok());
    BookResult<QList<SnapshotInfo>> kept = book->Snapshots(gate);
    ASSERT_EQ(kept.value.size(), 2);
    EXPECT_EQ(kept.value[0].taken, kMonday.addDays(3));
    EXPECT_EQ(kept.value[0].origin, SnapshotOrigin::BeforeWrite);
    EXPECT_EQ(kept.value[0].who, QStringLiteral("anna"));
    EXPECT_EQ(kept.value[0].pc, QStringLiteral("van-3"));
    EXPECT_EQ(kept.value[0].version, QStringLiteral("8.4"));
    EXPECT_EQ(kept.value[1].taken, kMonday.addDays(2));
    EXPECT_EQ(book->Snapshots(lift).value.size(), 1); // the other unit's are its own
    // Two snapshots side by side through the unit compare, the older as the
    // unit: the records of one day give way to those of the next.
    BookResult<UnitBackup> older = book->SnapshotBackup(kept.value[1].id);
    BookResult<UnitBackup> newer = book->SnapshotBackup(kept.value[0].id);
    ASSERT_TRUE(older.ok() && newer.ok());
    const UnitDiff days = CompareUnit(older.value, newer.value);
    const QString listed = DiffLines(days).join(QLatin1Char('\n'));
    EXPECT_FALSE(days.Same());
    EXPECT_TRUE(listed.contains(QStringLiteral("Day2 0")) && listed.contains(QStringLiteral("Day3 0"))) << qPrintable(listed);

    // The newest at or before a time, out to a file and back in.
    BookResult<SnapshotInfo> tuesday = book->SnapshotAt(gate, kMonday.addDays(2).addSecs(60));
    ASSERT_TRUE(tuesday.ok());
    EXPECT_EQ(tuesday.value.taken, kMonday.addDays(2));
    EXPECT_EQ(book->SnapshotAt(gate, kMonday).error.kind, BookFailure::NotFound);
    const QString file = TestFolder() + QStringLiteral("/export-%1.qx4b").arg(int(GetParam()));
    ASSERT_TRUE(book->ExportSnapshot(tuesday.value.id, file).ok());
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    BackupReadResult exported = LoadBackupFile(file);
    ASSERT_TRUE(exported.ok()) << qPrintable(exported.error);
    EXPECT_EQ(*exported.backup->directory, *SampleBackup(3, QStringLiteral("Day2"), kMonday).directory);
    EXPECT_EQ(*exported.backup->tags, *SampleBackup(3, QStringLiteral("Day2"), kMonday).tags);

    // An import of an older file is kept beside the newest (it was just
    // given), and the book's find still knows the newest.
    BookResult<SnapshotInfo> imported = book->ImportSnapshot(gate, file);
    ASSERT_TRUE(imported.ok()) << qPrintable(imported.error.message);
    EXPECT_EQ(imported.value.origin, SnapshotOrigin::Imported);
    kept = book->Snapshots(gate);
    ASSERT_EQ(kept.value.size(), 2);
    EXPECT_EQ(kept.value[0].taken, kMonday.addDays(3));
    EXPECT_EQ(kept.value[1].id, imported.value.id);
    EXPECT_EQ(book->Find(QStringLiteral("day3 1")).value.size(), 1);
    EXPECT_TRUE(book->Find(QStringLiteral("day2 1")).value.isEmpty());

    // Refused files give the backup reader's reason.
    const QString cut = TestFolder() + QStringLiteral("/cut.qx4b");
    SaveFileWhole(cut, ReadFileCapped(file).left(200));
    BookResult<SnapshotInfo> refused = book->ImportSnapshot(gate, cut);
    EXPECT_EQ(refused.error.kind, BookFailure::File);
    EXPECT_EQ(refused.error.message, LoadBackupFile(cut).error);
    EXPECT_EQ(book->ImportSnapshot(gate, cut + QStringLiteral(".missing")).error.kind, BookFailure::File);
    EXPECT_EQ(book->Snapshots(gate).value.size(), 2);
}

TEST_P(BookStoreTest, NoPinOrEmergencyCodeReachesTheBook)
{
    const QList<QByteArray> pins{"90817263", "55443322", "", ""};
    const QList<QByteArray> emergency{"17263544", "28374655", "", ""};
    {
        std::unique_ptr<SiteBook> book = OpenBook(location);
        ASSERT_TRUE(book);
        if (!Lite()) {
            // So that the scan of the server's files sees the documents as written.
            book::BookDb raw(location);
            ASSERT_TRUE(raw.Connect().ok());
            raw.Database().exec(QStringLiteral("ALTER TABLE snapshots ALTER COLUMN document SET STORAGE EXTERNAL"));
        }
        const qint64 gate = AddGateUnit(*book);
        UnitBackup backup = SampleBackup(40, QStringLiteral("Marker Zyx"), kMonday);
        backup.access = AccessCodes{pins, emergency};
        ASSERT_TRUE(book->AddSnapshot(gate, backup, SnapshotOrigin::BeforeWrite).ok());
        backup.taken = kMonday.addDays(1);
        ASSERT_TRUE(book->AddSnapshotDocument(gate, BackupToJson(backup), SnapshotOrigin::Imported, QStringLiteral("file")).ok());
        const QString file = TestFolder() + QStringLiteral("/pins-%1.qx4b").arg(int(GetParam()));
        SaveBackupFile(backup, file);
        ASSERT_TRUE(book->ImportSnapshot(gate, file).ok());
        // The snapshot holds everything else, and no codes.
        const BookResult<UnitBackup> kept = book->SnapshotBackup(book->SnapshotAt(gate).value.id);
        ASSERT_TRUE(kept.ok());
        EXPECT_FALSE(kept.value.access.has_value());
        EXPECT_EQ(kept.value.directory->size(), 40);

        // The journal takes only that the codes changed, refusing their values.
        for (const JournalChange &c : {JournalChange{QStringLiteral("block 0003"), QStringLiteral("data"), "?", pins[0]},
                                     JournalChange{QStringLiteral("parameters"), QStringLiteral("NewPin2"), "", pins[1]},
                                     JournalChange{QStringLiteral("parameters"), QStringLiteral("EmgyCode1"), "", emergency[0]}}) {
            BookResult<JournalRecord> refused = book->Journal({gate, JournalKind::PinsWritten, true, {c}, {}, QDateTime()});
            EXPECT_EQ(refused.error.kind, BookFailure::Invalid) << qPrintable(c.field);
            EXPECT_FALSE(refused.error.message.contains(QString::fromLatin1(c.after)));
        }
        BookResult<JournalRecord> written = book->Journal(
            {gate, JournalKind::PinsWritten, true, {}, {SecretCode::Pin1, SecretCode::Emergency2}, QDateTime()});
        ASSERT_TRUE(written.ok()) << qPrintable(written.error.message);
        BookResult<QList<RecordedChange>> changes = book->JournalChanges(written.value.id);
        ASSERT_EQ(changes.value.size(), 2);
        EXPECT_EQ(changes.value[1].field, QStringLiteral("emergency code 2"));
        EXPECT_TRUE(changes.value[1].secret);
        EXPECT_TRUE(changes.value[1].before.isNull() && changes.value[1].after.isNull());
    }
    const QByteArray files = BookFileBytes(location);
    ASSERT_TRUE(files.contains("Marker Zyx 39")) << "the scan does not see what the book wrote";
    for (const QByteArray &code : pins + emergency) {
        if (!code.isEmpty()) {
            EXPECT_FALSE(files.contains(code)) << code.constData();
        }
    }
}

TEST_P(BookStoreTest, TheJournalAndTheHistory)
{
    std::unique_ptr<SiteBook> book = OpenBook(location);
    ASSERT_TRUE(book);
    const qint64 gate = AddGateUnit(*book);
    const qint64 lift = AddGateUnit(*book, QStringLiteral("Lift"));
    ASSERT_TRUE(book->AddSnapshot(gate, SampleBackup(2, QStringLiteral("A"), kMonday.addSecs(60)), SnapshotOrigin::BeforeWrite).ok());
    const QList<JournalChange> record{{QStringLiteral("record 0101"), QStringLiteral("name"), "Ren\xe9" "e", "Ren\xe9" "e Ball"},
                                    {QStringLiteral("record 0101"), QStringLiteral("phone"), "0123", QByteArray()},
                                    {QStringLiteral("record 0101"), QStringLiteral("code1"), "", "\xff\x01;"}};
    ASSERT_TRUE(book->Journal({gate, JournalKind::RecordCommitted, true, record, {}, kMonday}).ok());
    ASSERT_TRUE(book->Journal({gate, JournalKind::FullUpload, false, {}, {}, kMonday.addSecs(120)}).ok());
    ASSERT_TRUE(book->Journal({lift, JournalKind::ClockSet, true, {}, {}, kMonday.addSecs(180)}).ok());
    ASSERT_TRUE(book->Journal({gate, JournalKind::TagsErased, true, {}, {}, kMonday.addSecs(240)}).ok());
    EXPECT_EQ(book->Journal({12345, JournalKind::ClockSet, true, {}, {}, QDateTime()}).error.kind, BookFailure::NotFound);

    BookResult<QList<HistoryItem>> history = book->History(gate);
    ASSERT_TRUE(history.ok()) << qPrintable(history.error.message);
    ASSERT_EQ(history.value.size(), 4);
    EXPECT_EQ(history.value[0].entry.kind, JournalKind::TagsErased);
    EXPECT_EQ(history.value[1].entry.kindName, QStringLiteral("full upload"));
    EXPECT_FALSE(history.value[1].entry.confirmed);
    EXPECT_TRUE(history.value[2].isSnapshot);
    EXPECT_EQ(history.value[2].snapshot.origin, SnapshotOrigin::BeforeWrite);
    const JournalRecord committed = history.value[3].entry;
    EXPECT_EQ(committed.at, kMonday);
    EXPECT_EQ(committed.changeCount, 3);
    EXPECT_EQ(committed.who, BookActor::OfThisProcess().user);
    EXPECT_FALSE(committed.pc.isEmpty());
    EXPECT_EQ(committed.version, QStringLiteral(PORV_VERSION));

    BookResult<QList<RecordedChange>> changes = book->JournalChanges(committed.id);
    ASSERT_EQ(changes.value.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(changes.value[i].field, record[i].field);
        EXPECT_EQ(changes.value[i].before, record[i].before);
        EXPECT_EQ(changes.value[i].after, record[i].after);
        EXPECT_FALSE(changes.value[i].secret);
    }

    HistoryFilter filter;
    filter.kinds = {JournalKind::FullUpload, JournalKind::RecordCommitted};
    EXPECT_EQ(book->History(gate, filter).value.size(), 2);
    filter = HistoryFilter();
    filter.from = kMonday.addSecs(60);
    filter.to = kMonday.addSecs(120);
    history = book->History(gate, filter);
    ASSERT_EQ(history.value.size(), 2);
    EXPECT_FALSE(history.value[0].isSnapshot);
    filter = HistoryFilter();
    filter.journal = false;
    EXPECT_EQ(book->History(gate, filter).value.size(), 1);
}

TEST_P(BookStoreTest, FindAcrossTheBook)
{
    std::unique_ptr<SiteBook> book = OpenBook(location);
    ASSERT_TRUE(book);
    const qint64 gate = AddGateUnit(*book);
    const qint64 mill = book->AddSite({0, QStringLiteral("Mill"), QString(), QString()}).value;
    BookUnit door;
    door.siteId = mill;
    door.label = QStringLiteral("Door");
    door.address = QStringLiteral("10.0.0.9");
    const qint64 doorId = book->AddUnit(door).value;

    UnitBackup old = SampleBackup(3, QStringLiteral("Gone"), kMonday);
    UnitBackup now = SampleBackup(3, QStringLiteral("Client"), kMonday.addDays(1));
    (*now.directory)[1].name = "\xc9lise \"Lou\" Brun"; // Élise "Lou" Brun
    (*now.directory)[2].phone = "(020) 7946-0958";
    now.tags->append(BackupTag{"777", "0A1B2C3D4E"}); // a room no record has
    ASSERT_TRUE(book->AddSnapshot(gate, old, SnapshotOrigin::Manual).ok());
    ASSERT_TRUE(book->AddSnapshot(gate, now, SnapshotOrigin::Manual).ok());
    ASSERT_TRUE(book->AddSnapshot(doorId, SampleBackup(2, QStringLiteral("Client"), kMonday), SnapshotOrigin::Manual).ok());

    auto find = [&](const QString &text) {
        BookResult<QList<FoundRecord>> r = book->Find(text);
        EXPECT_TRUE(r.ok()) << qPrintable(r.error.message);
        return r.value;
    };
    QList<FoundRecord> found = find(QStringLiteral("CLIENT"));
    ASSERT_EQ(found.size(), 4); // Harbour's Gate A first, then Mill's Door
    EXPECT_EQ(found[0].site, QStringLiteral("Harbour"));
    EXPECT_EQ(found[0].unit, QStringLiteral("Gate A"));
    EXPECT_EQ(found[0].name, QByteArray("Client 0"));
    EXPECT_EQ(found[0].room, QByteArray("100"));
    EXPECT_EQ(found[0].tag, QByteArray("A1B2C3D400"));
    EXPECT_EQ(found[1].name, QByteArray("Client 2"));
    EXPECT_EQ(found[2].unit, QStringLiteral("Door"));

    found = find(QStringLiteral("élise \"lou"));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].name, QByteArray("\xc9lise \"Lou\" Brun"));
    EXPECT_EQ(found[0].addr, QByteArray("0101"));
    // The number's layout does not matter, on either side.
    for (const char *number : {"020 7946 0958", "02079460958", "7946.0958"}) {
        found = find(QString::fromLatin1(number));
        ASSERT_EQ(found.size(), 1) << number;
        EXPECT_EQ(found[0].phone, QByteArray("(020) 7946-0958"));
    }
    // A tag in any case, also one no record takes.
    found = find(QStringLiteral("0a1b2c3d4e"));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].room, QByteArray("777"));
    EXPECT_TRUE(found[0].name.isEmpty() && found[0].addr.isEmpty());
    EXPECT_EQ(find(QStringLiteral("c3d400")).size(), 2);
    // Short texts, a room, only the latest snapshot, nothing at all.
    EXPECT_EQ(find(QStringLiteral("bR")).size(), 1);
    EXPECT_EQ(find(QStringLiteral("102")).size(), 1);
    EXPECT_TRUE(find(QStringLiteral("Gone")).isEmpty());
    EXPECT_TRUE(find(QStringLiteral("\"")).size() == 1);
    EXPECT_TRUE(find(QString()).isEmpty());
    EXPECT_TRUE(find(QStringLiteral("Cli\x1f" "ent")).isEmpty());
    EXPECT_TRUE(find(QString(QChar(0x20AC))).isEmpty());
    EXPECT_EQ(book->Find(QStringLiteral("client"), 1).value.size(), 1);
}

PORV_BOOK_BACKENDS(BookStoreTest);

TEST(PinsFileTest, OnlyAFileOfItsOwnersAlone)
{
    const QString path = PinsFilePath();
    EXPECT_EQ(path, TestFolder() + QStringLiteral("/config/porv-pro/pins"));
    EXPECT_FALSE(PinFromFile(QStringLiteral("Gate A")).found()); // no file, no PIN, no error
    EXPECT_TRUE(PinFromFile(QStringLiteral("Gate A")).error.isEmpty());

    QDir().mkpath(QFileInfo(path).absolutePath());
    SaveFileWhole(path, "# the harbour\n\nGate A 4711\r\nMill door\t98765\nbroken-line\nLong 12345678901234567\n",
                  SaveOptions{true, QString()});
    PinLookup pin = PinFromFile(QStringLiteral("Gate A"));
    ASSERT_TRUE(pin.found()) << qPrintable(pin.error);
    EXPECT_EQ(*pin.pin, QByteArray("4711"));
    EXPECT_EQ(*PinFromFile(QStringLiteral("Mill door")).pin, QByteArray("98765"));
    pin = PinFromFile(QStringLiteral("Long"));
    EXPECT_FALSE(pin.found());
    EXPECT_TRUE(pin.error.contains(QStringLiteral("line 6")) || pin.error.contains(QStringLiteral("Line 6"))) << qPrintable(pin.error);
    EXPECT_FALSE(pin.error.contains(QStringLiteral("12345678901234567")));
    pin = PinFromFile(QStringLiteral("Lift"));
    EXPECT_FALSE(pin.found());
    EXPECT_TRUE(pin.error.contains(QStringLiteral("line 5"))) << qPrintable(pin.error);
    EXPECT_FALSE(pin.error.contains(QStringLiteral("broken")));

    // Readable by the group: refused, as the PostgreSQL client refuses its
    // password file, whatever it holds.
    for (QFile::Permissions others : {QFile::Permissions(QFile::ReadGroup), QFile::ReadOther | QFile::WriteOther}) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | others);
        pin = PinFromFile(QStringLiteral("Gate A"));
        EXPECT_FALSE(pin.found());
        EXPECT_TRUE(pin.error.contains(path) && pin.error.contains(QStringLiteral("chmod 600"))) << qPrintable(pin.error);
        EXPECT_FALSE(pin.error.contains(QStringLiteral("4711")));
        EXPECT_EQ(LookUpPin(QStringLiteral("Gate A")).error, pin.error);
    }

    // No session bus (a cron job, a shell over ssh): no keyring to ask, so a
    // unit without a line is simply without a PIN, to be asked for.
    SaveFileWhole(path, "Gate A 4711\n", SaveOptions{true, QString()});
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS"), runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", TestFolder().toLocal8Bit());
    pin = LookUpPin(QStringLiteral("Lift"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    qputenv("XDG_RUNTIME_DIR", runtime);
    EXPECT_FALSE(pin.found());
    EXPECT_TRUE(pin.error.isEmpty()) << qPrintable(pin.error);
}

} // namespace
} // namespace porv::test
