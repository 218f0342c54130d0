#pragma once
// Where a site book lives: an embedded SQLite file (the default, in the
// user's data folder) or a database on a PostgreSQL server that a team
// shares.
//
// A server is named by a URL of the form
//     postgresql://user@host[:port]/dbname[?host=/socket/folder&port=N&sslmode=...&connect_timeout=N]
// (also "postgres://"). The host may be a socket folder, either
// percent-encoded in place of the host ("postgresql://anna@%2Frun%2Fpostgresql/book")
// or as the "host" parameter, which wins over the one before the path. A
// password is never accepted in the URL: it comes from the driver's usual
// sources (PGPASSWORD, the password file ~/.pgpass or PGPASSFILE).
// Anything that is not such a URL names a SQLite file.
#include <QString>

#include "bookerror.h"

namespace porv {

enum class BookBackend { SQLite, PostgreSQL };

struct BookLocation {
    BookBackend backend = BookBackend::SQLite;
    QString file; // SQLite: the database file

    // PostgreSQL
    QString user;     // empty: the driver's default (the OS user)
    QString host;     // a host name, an address, or a socket folder (starting with "/")
    int port = -1;    // -1: the driver's default
    QString database;
    QString sslmode;  // empty: the driver's default
    int connectTimeout = 10; // seconds

    // What messages call the book: the file's path, or the URL without
    // any secret ("postgresql://anna@db.example/book").
    QString Name() const;
};

// QStandardPaths::GenericDataLocation + "/porv-pro/sitebook.sqlite"
// ($XDG_DATA_HOME honoured).
QString DefaultBookFile();

// An empty text is the default file. A URL that holds a password, names no
// database, has a parameter this program does not know, or cannot be read is
// refused (BookFailure::Location) with a message that never repeats a password.
BookResult<BookLocation> ParseBookLocation(const QString &text);

} // namespace porv
