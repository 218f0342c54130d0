#pragma once
// The book's tables and their version. The table book_schema holds the
// version of the tables in one row; a new book gets the newest tables at
// once, an older book is brought up to date step by step in one transaction
// (all steps or none), and a book of a newer version is never written.
#include <QList>
#include <QString>

#include <functional>

#include "bookdb.h"
#include "bookerror.h"

namespace porv::book {

// The version this program writes and reads.
constexpr int kBookSchemaVersion = 2;

// One step: brings a book of version `from` to version from + 1. It runs
// inside the migration's transaction and throws SqlFailure or BookAbort.
struct SchemaStep {
    int from;
    std::function<void(BookDb &)> run;
};

// The steps from the first version to kBookSchemaVersion.
const QList<SchemaStep> &BookSchemaSteps();

// Makes the connection's book ready: creates the tables in an empty
// database, migrates an older book with `steps` up to `target`, and refuses
// (writing nothing) a book of a newer version, a damaged file, and a SQLite
// database of another program. Returns the version the book is now at.
BookResult<int> PrepareBookSchema(BookDb &db, const QList<SchemaStep> &steps = BookSchemaSteps(),
                                  int target = kBookSchemaVersion);

// The version a book is at without changing anything: 0 for an empty
// database; throws SqlFailure.
int ReadSchemaVersion(BookDb &db);

} // namespace porv::book
