#pragma once
// The site book's recorder: attached to the program's link, it journals every
// write the tool makes to a unit of the book (the unit chosen in the book, or
// the one the link reaches as the book says: its UDP address, serial device,
// or modem and number), with who, when, which PC and each field before and
// after, once the unit answered it; and it keeps the automatic backup before
// an overwrite of such a unit as a snapshot (origin before write) in place of
// a loose file. When the book cannot record a write, the program is asked
// whether to write anyway before anything goes to the unit; a write the book
// then did not record is told, and listed by NotRecorded().
//
// Units that are not in the book, and a program without a book, write as
// ever: nothing is asked, their automatic backups stay loose files.
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "backupstore.h"
#include "bookrecords.h"
#include "sitebook.h"
#include "unitwrites.h"

namespace porv {

class Link;

// How the link reaches its unit now.
struct UnitReach {
    UnitTransport transport = UnitTransport::Udp;
    QString address; // the UDP host, or the serial or modem device
    QString number;  // what a modem dialled
};

// The unit of the book reached so: a UDP host as written (letters in any
// case), a serial device by its path, a modem by its device and the dial
// characters of its number.
std::optional<BookUnit> BookUnitReachedBy(const QList<BookUnit> &units, const UnitReach &reach);

// The book a program records into, from the text that names it (empty: the
// SQLite file in the user's data folder). Nothing when that is the default
// file and it does not exist yet: no book has been made, so there is nothing
// to record into. A text the location parser refuses is its error.
BookResult<std::optional<BookLocation>> RecordingBookAt(const QString &text);

// "The change could not be recorded in the site book (REASON). Write anyway?"
QString WriteAnywayQuestion(const QString &reason);

class BookRecorder : public UnitWriteObserver {
public:
    struct Hooks {
        std::function<QString()> locationText;                  // the book's location as its setting names it now
        std::function<std::optional<UnitReach>()> reach;       // how the link reaches its unit; nothing: no unit
        std::function<bool(const QString &question)> writeAnyway; // the book cannot record the write: go on?
        // A write the book did not record; `allowed`: the user had said to write anyway.
        std::function<void(const QString &message, bool allowed)> notRecorded;
    };
    explicit BookRecorder(Hooks hooks);
    ~BookRecorder() override;

    // Records the writes of this link, and keeps the automatic backups.
    void Install(Link &link);

    // The unit chosen in the book (--unit, a double-click): its writes go to
    // that unit's journal whatever the reach. 0: the reach decides again.
    void ChooseUnit(qint64 unitId);

    bool MayWrite(const UnitWrite &planned) override;
    void Written(const UnitWrite &write) override;
    // The automatic backup of a unit of the book, as a snapshot; nothing for
    // any other unit, or when the book cannot keep it (the store keeps it then).
    std::optional<AutomaticBackup> KeepBackup(const UnitBackup &backup);
    // A backup the user took of a unit of the book: kept as its snapshot (manual).
    void KeepManualBackup(const UnitBackup &backup);

    // The writes the book did not record, one line each.
    const QStringList &NotRecorded() const { return m_notRecorded; }
    // The book the recorder writes into (nothing before the first write, or without a book).
    SiteBook *Book() const { return m_book.get(); }

private:
    enum class Match { NoBook, NotInBook, InBook, Unreachable };
    Match resolve();
    void note(const QString &what, const QString &why, bool allowed);

    Hooks m_hooks;
    Link *m_link = nullptr;
    std::unique_ptr<SiteBook> m_book;
    QString m_bookText; // the location text of m_book
    qint64 m_chosen = 0;
    // The last match, kept while the book and the reach stay the same.
    std::optional<UnitReach> m_matchedReach;
    BookUnit m_unit;
    Match m_match = Match::NoBook;
    QString m_reason;          // why the book cannot record, when Unreachable
    QString m_bookName;        // the book as messages name it
    bool m_unrecorded = false; // the write under way was allowed without the book
    QStringList m_notRecorded;
};

} // namespace porv
