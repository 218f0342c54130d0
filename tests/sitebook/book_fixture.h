#pragma once
// What the site book's tests share: one PostgreSQL server for the whole
// executable (started once, before the first test), a fresh book for each
// test on either backend, and sample backups.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <gtest/gtest.h>

#include <memory>

#include "booklocation.h"
#include "pgserver.h"
#include "sitebook.h"
#include "unitbackup.h"

namespace porv::test {

// The executable's server, or why there is none.
PgServer *Postgres();
QString PostgresMissing();
// A folder of the executable's own, removed at its end.
QString TestFolder();

// A book location of its own for each call: a new SQLite file, or a new
// database on the server.
BookLocation NewBook(BookBackend backend);

// Records "<prefix> <n>" in rooms 100 + n, phones "0123 45<n>" and, for every
// tenth record, a tag; taken at `taken`.
UnitBackup SampleBackup(int records, const QString &prefix, const QDateTime &taken);

// The bytes of every file of the book (the SQLite file with its journal files,
// or the server's data folder after a checkpoint).
QByteArray BookFileBytes(const BookLocation &location);

std::unique_ptr<SiteBook> OpenBook(const BookLocation &location);

class BookTest : public ::testing::TestWithParam<BookBackend> {
protected:
    void SetUp() override;
    bool Lite() const { return GetParam() == BookBackend::SQLite; }
    // A site "Harbour" and a unit "Gate A" on it.
    qint64 AddGateUnit(SiteBook &book, const QString &label = QStringLiteral("Gate A"));

    BookLocation location;
};

std::string BackendName(const ::testing::TestParamInfo<BookBackend> &info);

} // namespace porv::test

#define PORV_BOOK_BACKENDS(suite)                                                                            \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                                                \
                             ::testing::Values(porv::BookBackend::SQLite, porv::BookBackend::PostgreSQL),   \
                             porv::test::BackendName)
