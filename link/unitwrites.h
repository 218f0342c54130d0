#pragma once
// The record of every write the tool makes to a unit. Each core write opens a
// UnitWriteScope on the link before its first byte goes out and closes it
// with what the unit confirmed; an observer attached to the link (the site
// book's recorder) is asked first whether the write can be recorded, and is
// told each write once the unit answered it, confirmed or not. Without an
// observer a scope does nothing. A write inside another (the records of a
// restore) becomes part of the outer one: one write, one record.
//
// Secret fields (PINs, emergency codes, release codes) are recorded only as
// changed: a UnitFieldChange made by Secret() carries no values, and
// ChangedFields() drops the values of the fields it is told are secret.
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

namespace porv {

class Link;

enum class UnitWriteKind {
    RecordCommitted,
    RecordInserted,
    RecordDeleted,
    FullUpload,
    ParametersWrite,
    ParametersWriteAll,
    PinsWritten,
    TagsWritten,
    TagsErased,
    ClockSet,
    WriteChanges,
    Restore,
};

// One field of one item ("record 1A20", "Name"), before and after.
struct UnitFieldChange {
    QString item;
    QString field;
    QByteArray before;
    QByteArray after;
    bool secret = false; // only that it changed: before and after stay empty

    static UnitFieldChange Secret(const QString &item, const QString &field) { return {item, field, {}, {}, true}; }
};

struct UnitWrite {
    UnitWriteKind kind = UnitWriteKind::RecordCommitted;
    QString what; // the items written, as a person reads them ("record 1A20", "blocks 0001, 0008")
    QList<UnitFieldChange> changes;
    bool confirmed = true; // the unit confirmed every part of it
};

// What a link's writes are told to.
class UnitWriteObserver {
public:
    virtual ~UnitWriteObserver() = default;
    // Before the write: true when it may go ahead (it can be recorded, or
    // the user said to write anyway). False: nothing is written.
    virtual bool MayWrite(const UnitWrite &planned) = 0;
    // After the unit answered (write.confirmed says whether it confirmed).
    virtual void Written(const UnitWrite &write) = 0;
};

// The observer of the link's writes (nullptr: none). One per link; the
// observer outlives its attachment or is detached first.
void AttachUnitWriteObserver(Link &link, UnitWriteObserver *observer);
UnitWriteObserver *UnitWriteObserverOf(const Link &link);

// The field changes of one item: each field whose value differs; the fields
// named in `secret` only as changed.
QList<UnitFieldChange> ChangedFields(const QString &item, const QList<QByteArray> &fields,
                                     const QList<QByteArray> &before, const QList<QByteArray> &after,
                                     const QSet<QByteArray> &secret = {});

// A block written whole: item "block NNNN", field "bytes"; a secret one as changed.
UnitFieldChange BlockChange(const QByteArray &block, const QByteArray &before, const QByteArray &after, bool secret = false);

// Each of the fields as changed, without values (the PINs a write sets).
QList<UnitFieldChange> SecretChanges(const QString &item, const QList<QByteArray> &fields);

class UnitWriteScope {
public:
    // Asks the observer (the outermost scope only) whether the write may go.
    // A scope whose `writing` is false is idle: allowed, and records nothing.
    UnitWriteScope(Link &link, UnitWriteKind kind, bool writing = true, const QString &what = QString());
    // A scope left without Done() records the writes of the scopes inside it
    // that were done, and nothing when there were none (nothing was written).
    ~UnitWriteScope();
    UnitWriteScope(const UnitWriteScope &) = delete;
    UnitWriteScope &operator=(const UnitWriteScope &) = delete;

    // False: the observer said no; the caller writes nothing.
    bool Allowed() const { return m_allowed; }
    // The unit answered: records the write (an inner scope adds to the outer).
    void Done(bool confirmed, const QList<UnitFieldChange> &changes = {}, const QString &what = QString());

private:
    Link &m_link;
    UnitWrite m_write;
    UnitWriteScope *m_outer = nullptr;
    bool m_idle = false;
    bool m_allowed = true;
    bool m_done = false;
    bool m_partsDone = false;
};

} // namespace porv
