// A writer of its own process for the site book's concurrency tests:
//     book_writer LOCATION LABEL WRITER ENTRIES SNAPSHOTS KEEP
// journals ENTRIES entries to the unit LABEL (item "writer WRITER", field
// "seq", after the entry's number) and, spread among them, SNAPSHOTS
// snapshots of 20 records, keeping KEEP per unit. Exits 0 when every write
// was recorded, 1 with the first failure on standard error otherwise.
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#include "sitebook.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7) {
        std::fprintf(stderr, "usage: book_writer LOCATION LABEL WRITER ENTRIES SNAPSHOTS KEEP\n");
        return 2;
    }
    const int writer = args[3].toInt(), entries = args[4].toInt(), snapshots = args[5].toInt();
    auto fail = [](const porv::BookError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message));
        return 1;
    };
    const porv::BookResult<porv::BookLocation> location = porv::ParseBookLocation(args[1]);
    if (!location.ok())
        return fail(location.error);
    porv::BookResult<std::unique_ptr<porv::SiteBook>> book = porv::SiteBook::Open(location.value);
    if (!book.ok())
        return fail(book.error);
    book.value->SetKeptSnapshots(args[6].toInt());
    const porv::BookResult<porv::BookUnit> unit = book.value->UnitByLabel(args[2]);
    if (!unit.ok())
        return fail(unit.error);
    const int every = snapshots > 0 ? qMax(1, entries / snapshots) : entries + 1;
    for (int i = 0; i < entries; ++i) {
        porv::JournalEntry entry;
        entry.unitId = unit.value.id;
        entry.kind = porv::JournalKind::WriteChanges;
        entry.changes = {{QStringLiteral("writer %1").arg(writer), QStringLiteral("seq"), QByteArray(), QByteArray::number(i)}};
        if (const auto written = book.value->Journal(entry); !written.ok())
            return fail(written.error);
        if (i % every == 0 && i / every < snapshots) {
            porv::UnitBackup backup;
            backup.taken = QDateTime::currentDateTimeUtc();
            backup.directory.emplace();
            for (int r = 0; r < 20; ++r)
                backup.directory->append({QByteArray::number(0x100 + r, 16).toUpper().rightJustified(4, '0'),
                                          QStringLiteral("W%1 record %2").arg(writer).arg(r).toLatin1(),
                                          QByteArray::number(100 + r), "0123", "", "", "", {}});
            if (const auto added = book.value->AddSnapshot(unit.value.id, backup, porv::SnapshotOrigin::Scheduled); !added.ok())
                return fail(added.error);
        }
    }
    return 0;
}
