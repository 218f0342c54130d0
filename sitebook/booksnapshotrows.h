#pragma once
// A snapshot's row as the book's reads give it (the snapshots and the
// history share it).
#include <QSqlQuery>
#include <QString>

#include "bookrecords.h"

namespace porv::book {

// The columns ReadSnapshotInfo reads, in its order, and the table.
extern const char *const kSnapshotColumns;
SnapshotInfo ReadSnapshotInfo(const QSqlQuery &query);
const char *OriginKey(SnapshotOrigin origin);

} // namespace porv::book
