#pragma once
// The site book's one connection to its database, and how work on it is run:
// each call of the book is one transaction, retried while other writers hold
// the book (SQLite's busy lock, PostgreSQL's serialization failures and
// deadlocks) and once after a lost connection to a server, so that several
// processes writing at once lose nothing; rows carry identifiers made before
// the first attempt, so a retry never doubles what an earlier attempt may
// already have committed.
//
// Inside a transaction, statements throw SqlFailure and refusals BookAbort;
// both end at Write/Read, which return a BookError. Nothing is thrown out of
// the library.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>

#include "bookerror.h"
#include "booklocation.h"

namespace porv::book {

struct SqlFailure {
    QSqlError error;
};

struct BookAbort {
    BookError error;
};

enum class SqlTrouble { Other, Busy, Lost, Damaged, Constraint };
SqlTrouble Classify(BookBackend backend, const QSqlError &error);

// The statement's text for the backend: %ID% becomes the key column's type
// (an integer key SQLite numbers, an identity column on PostgreSQL), %BLOB%
// the byte string type (BLOB, BYTEA).
QString SqlFor(BookBackend backend, QString sql);

class BookDb {
public:
    explicit BookDb(BookLocation location);
    ~BookDb();
    BookDb(const BookDb &) = delete;
    BookDb &operator=(const BookDb &) = delete;

    // Opens the connection (for a SQLite file that does not exist yet: its
    // folder and an empty file, both owner-only, first). Writes nothing else.
    BookError Connect();

    const BookLocation &Location() const { return m_location; }
    BookBackend Backend() const { return m_location.backend; }
    QSqlDatabase &Database() { return m_db; }

    // Runs work in one write transaction; `what` names it in the message of a
    // failure ("the journal entry ... was not recorded").
    BookError Write(const QString &what, const std::function<void()> &work);
    // Runs work in one read transaction.
    BookError Read(const QString &what, const std::function<void()> &work);

    // A statement with its values bound in order; throws SqlFailure.
    QSqlQuery Exec(const QString &sql, const QVariantList &values = {});
    // The first column of the first row, or an invalid QVariant.
    QVariant Value(const QString &sql, const QVariantList &values = {});

    // The message of a failure of `what`, naming the book.
    BookError FailureOf(const SqlFailure &failure, const QString &what, bool write) const;

    // How many attempts a write gets while the book is busy.
    static constexpr int kAttempts = 12;

private:
    BookError connectSqlite();
    BookError connectPostgres();
    BookError run(const QString &what, bool write, const std::function<void()> &work);
    bool reconnect();
    void rollback();
    SqlFailure failed(QSqlQuery &query);

    BookLocation m_location;
    QString m_connectionName;
    QSqlDatabase m_db;
};

} // namespace porv::book
