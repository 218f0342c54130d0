#pragma once
// What find looks through: one row for each directory record of a unit's
// latest snapshot (with the tag its room receives, bound as a tag download
// binds them) and one for each tag no record takes. Each row keeps its
// name, room, phone and tag as the unit holds them, and two search texts:
// the name, room and tag with their letters folded (FoldLatin1), and the
// phone number's dial characters without its layout, pauses as "p". On
// SQLite a trigram index over both texts answers a find of three characters
// or more without reading every row.
#include <QByteArray>
#include <QList>
#include <QString>

#include "bookdb.h"
#include "unitbackup.h"

namespace porv::book {

struct IndexRow {
    QByteArray addr; // empty for a tag that no record takes
    QByteArray name;
    QByteArray room;
    QByteArray phone;
    QByteArray tag;
};

QList<IndexRow> IndexRowsOf(const UnitBackup &backup);

// The search texts of a row, and of a typed text.
QString FoldedText(const IndexRow &row);
QString DialText(const QByteArray &phone);
// Separates the fields inside FoldedText; never in a typed text.
constexpr char kFieldSeparator = '\x1f';

// Replaces the unit's find rows with those of its latest snapshot (none when
// it has no snapshot). Inside a write transaction; throws SqlFailure.
void IndexLatestSnapshot(BookDb &db, qint64 unitId);

// Whether the book's find rows stand for the snapshot (the unit's latest).
bool SnapshotIndexed(BookDb &db, qint64 unitId, qint64 snapshotId);

} // namespace porv::book
