#pragma once
// What the site book answers: a value, or why there is none. Nothing in the
// book's library throws to its callers; every call returns one of these, so a
// failure never travels through an event handler.
#include <QString>

#include <utility>

namespace porv {

enum class BookFailure {
    None,
    Location,    // the address of the book cannot be used (it is named in the message)
    Driver,      // Qt SQL has no driver for the book's database
    Unreachable, // the file cannot be opened, the server cannot be reached, or it went away
    Damaged,     // the file is not a database, or its database is damaged
    NotABook,    // a database, but not a site book
    Newer,       // written by a newer porv-pro: nothing is read or written
    Migration,   // an older book could not be brought up to date: it is left as it was
    Busy,        // other writers held the book for longer than the retries wait
    Invalid,     // the caller's data is refused (an empty label, a secret's value, ...)
    Duplicate,   // a site or unit of that name is already in the book
    NotFound,    // no such site, unit or snapshot
    File,        // a .qx4b file cannot be read or written
    Database,    // any other refusal of the database
};

struct BookError {
    BookFailure kind = BookFailure::None;
    QString message;

    bool ok() const { return kind == BookFailure::None; }
    static BookError Fail(BookFailure kind, QString message) { return {kind, std::move(message)}; }
};

template <typename T>
struct BookResult {
    T value{};
    BookError error;

    BookResult() = default;
    BookResult(T v) : value(std::move(v)) {}
    BookResult(BookError e) : error(std::move(e)) {}
    bool ok() const { return error.ok(); }
};

} // namespace porv
