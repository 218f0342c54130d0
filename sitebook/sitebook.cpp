#include "sitebook.h"

#include <QSqlQuery>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

#include "backupstore.h"
#include "bookdb.h"
#include "bookschema.h"
#include "booktext.h"

namespace porv {

using book::BookAbort;
using book::BookDb;

namespace {

BookAbort refuse(BookFailure kind, const QString &message)
{
    return BookAbort{BookError::Fail(kind, message)};
}

const char *transportName(UnitTransport t)
{
    switch (t) {
    case UnitTransport::Udp:
        return "udp";
    case UnitTransport::Serial:
        return "serial";
    case UnitTransport::Modem:
        return "modem";
    }
    return "udp";
}

UnitTransport transportOf(const QString &name)
{
    if (name == QLatin1String("serial"))
        return UnitTransport::Serial;
    if (name == QLatin1String("modem"))
        return UnitTransport::Modem;
    return UnitTransport::Udp;
}

BookError checkSite(const BookSite &site)
{
    if (site.name.trimmed().isEmpty())
        return BookError::Fail(BookFailure::Invalid, QStringLiteral("A site needs a name."));
    if (book::HasControl(site.name) || site.name != site.name.trimmed())
        return BookError::Fail(BookFailure::Invalid,
                               QStringLiteral("The site name \"%1\" holds a control character or starts or ends with a blank.")
                                   .arg(book::Printable(site.name)));
    return {};
}

BookError checkUnit(const BookUnit &unit)
{
    const QString label = book::Printable(unit.label);
    if (unit.label.trimmed().isEmpty())
        return BookError::Fail(BookFailure::Invalid, QStringLiteral("A unit needs a label."));
    if (book::HasControl(unit.label) || unit.label != unit.label.trimmed())
        return BookError::Fail(BookFailure::Invalid,
                               QStringLiteral("The unit label \"%1\" holds a control character or starts or ends with a blank.")
                                   .arg(label));
    if (unit.address.trimmed().isEmpty() || book::HasControl(unit.address))
        return BookError::Fail(BookFailure::Invalid,
                               unit.transport == UnitTransport::Udp
                                   ? QStringLiteral("The unit \"%1\" needs the address of its UDP host.").arg(label)
                                   : QStringLiteral("The unit \"%1\" needs its device.").arg(label));
    if (unit.transport == UnitTransport::Modem) {
        if (unit.number.isEmpty() || unit.number.size() > 20 || book::HasControl(unit.number))
            return BookError::Fail(BookFailure::Invalid,
                                   QStringLiteral("The unit \"%1\" needs the number its modem dials (at most 20 "
                                                  "characters, no control characters).")
                                       .arg(label));
    } else if (!unit.number.isEmpty()) {
        return BookError::Fail(BookFailure::Invalid,
                               QStringLiteral("The unit \"%1\" is not reached by modem: it has no number to dial.").arg(label));
    }
    return {};
}

QList<BookUnit> readUnits(QSqlQuery &q)
{
    QList<BookUnit> units;
    while (q.next()) {
        BookUnit u;
        u.id = q.value(0).toLongLong();
        u.siteId = q.value(1).toLongLong();
        u.siteName = q.value(2).toString();
        u.label = q.value(3).toString();
        u.transport = transportOf(q.value(4).toString());
        u.address = q.value(5).toString();
        u.number = q.value(6).toString();
        u.modelLine = q.value(7).toString().toLatin1();
        u.memoryLimit = q.value(8).toInt();
        u.lastReached = book::TimeOf(q.value(9));
        u.notes = q.value(10).toString();
        units.append(u);
    }
    return units;
}

const char *const kUnitColumns =
    "SELECT u.id, u.site_id, s.name, u.label, u.transport, u.address, u.number, u.model_line, u.memory_limit, "
    "u.last_reached_ms, u.notes FROM units u JOIN sites s ON s.id = u.site_id ";

} // namespace

BookActor BookActor::OfThisProcess()
{
    BookActor actor;
    if (const passwd *pw = getpwuid(geteuid()))
        actor.user = QString::fromLocal8Bit(pw->pw_name);
    if (actor.user.isEmpty())
        actor.user = qEnvironmentVariable("USER");
    actor.pc = QSysInfo::machineHostName();
    actor.version = QStringLiteral(PORV_VERSION);
    return actor;
}

SiteBook::SiteBook(std::unique_ptr<BookDb> db)
    : m_db(std::move(db)), m_actor(BookActor::OfThisProcess()), m_keep(kKeptBackups)
{
}

SiteBook::~SiteBook() = default;

BookResult<std::unique_ptr<SiteBook>> SiteBook::Open(const BookLocation &location)
{
    auto db = std::make_unique<BookDb>(location);
    if (BookError e = db->Connect(); !e.ok())
        return e;
    const BookResult<int> schema = book::PrepareBookSchema(*db);
    if (!schema.ok())
        return schema.error;
    return std::unique_ptr<SiteBook>(new SiteBook(std::move(db)));
}

const BookLocation &SiteBook::Location() const
{
    return m_db->Location();
}

BookError SiteBook::Ping()
{
    return m_db->Read(QStringLiteral("its version"), [&] { book::ReadSchemaVersion(*m_db); });
}

BookError SiteBook::write(const QString &what, const std::function<void()> &work)
{
    BookError e = m_db->Write(what, work);
    if (e.kind == BookFailure::Unreachable || e.kind == BookFailure::Busy || e.kind == BookFailure::Damaged
        || e.kind == BookFailure::Database)
        m_notRecorded.append(e.message);
    return e;
}

// --- sites ---

BookResult<qint64> SiteBook::AddSite(const BookSite &site)
{
    if (BookError e = checkSite(site); !e.ok())
        return e;
    qint64 id = 0;
    const BookError e = write(QStringLiteral("the site \"%1\"").arg(site.name), [&] {
        if (m_db->Value(QStringLiteral("SELECT id FROM sites WHERE name = ?"), {site.name}).isValid())
            throw refuse(BookFailure::Duplicate, QStringLiteral("A site named \"%1\" is already in the book.").arg(site.name));
        id = m_db->Value(QStringLiteral("INSERT INTO sites (name, address, notes) VALUES (?, ?, ?) RETURNING id"),
                         {site.name, site.address, site.notes})
                 .toLongLong();
    });
    if (!e.ok())
        return e;
    return id;
}

BookError SiteBook::UpdateSite(const BookSite &site)
{
    if (BookError e = checkSite(site); !e.ok())
        return e;
    return write(QStringLiteral("the change of the site \"%1\"").arg(site.name), [&] {
        const QVariant other = m_db->Value(QStringLiteral("SELECT id FROM sites WHERE name = ? AND id <> ?"), {site.name, site.id});
        if (other.isValid())
            throw refuse(BookFailure::Duplicate, QStringLiteral("A site named \"%1\" is already in the book.").arg(site.name));
        if (m_db->Exec(QStringLiteral("UPDATE sites SET name = ?, address = ?, notes = ? WHERE id = ?"),
                       {site.name, site.address, site.notes, site.id})
                .numRowsAffected()
            != 1)
            throw refuse(BookFailure::NotFound, QStringLiteral("The site \"%1\" is not in the book.").arg(site.name));
    });
}

BookError SiteBook::RemoveSite(qint64 siteId)
{
    return write(QStringLiteral("the removal of a site"), [&] {
        const QVariant name = m_db->Value(QStringLiteral("SELECT name FROM sites WHERE id = ?"), {siteId});
        if (!name.isValid())
            throw refuse(BookFailure::NotFound, QStringLiteral("The site is not in the book."));
        const int units = m_db->Value(QStringLiteral("SELECT count(*) FROM units WHERE site_id = ?"), {siteId}).toInt();
        if (units > 0)
            throw refuse(BookFailure::Invalid, QStringLiteral("The site \"%1\" still holds %2 unit(s): move or remove "
                                                              "them first.")
                                                   .arg(name.toString(), QString::number(units)));
        m_db->Exec(QStringLiteral("DELETE FROM sites WHERE id = ?"), {siteId});
    });
}

BookResult<QList<BookSite>> SiteBook::Sites()
{
    QList<BookSite> sites;
    const BookError e = m_db->Read(QStringLiteral("the sites"), [&] {
        sites.clear();
        QSqlQuery q = m_db->Exec(QStringLiteral("SELECT id, name, address, notes FROM sites ORDER BY name, id"));
        while (q.next())
            sites.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()});
    });
    if (!e.ok())
        return e;
    return sites;
}

BookResult<BookSite> SiteBook::SiteByName(const QString &name)
{
    const BookResult<QList<BookSite>> all = Sites();
    if (!all.ok())
        return all.error;
    for (const BookSite &s : all.value) {
        if (s.name == name)
            return s;
    }
    return BookError::Fail(BookFailure::NotFound, QStringLiteral("No site named \"%1\" is in the book.").arg(book::Printable(name)));
}

// --- units ---

BookResult<qint64> SiteBook::AddUnit(const BookUnit &unit)
{
    if (BookError e = checkUnit(unit); !e.ok())
        return e;
    qint64 id = 0;
    const BookError e = write(QStringLiteral("the unit \"%1\"").arg(unit.label), [&] {
        if (!m_db->Value(QStringLiteral("SELECT id FROM sites WHERE id = ?"), {unit.siteId}).isValid())
            throw refuse(BookFailure::NotFound, QStringLiteral("The site of the unit \"%1\" is not in the book.").arg(unit.label));
        if (m_db->Value(QStringLiteral("SELECT id FROM units WHERE label = ?"), {unit.label}).isValid())
            throw refuse(BookFailure::Duplicate, QStringLiteral("A unit labelled \"%1\" is already in the book.").arg(unit.label));
        id = m_db->Value(QStringLiteral("INSERT INTO units (site_id, label, transport, address, number, model_line, "
                                        "memory_limit, last_reached_ms, notes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
                         {unit.siteId, unit.label, QString::fromLatin1(transportName(unit.transport)), unit.address,
                          unit.number, book::Text(unit.modelLine), unit.memoryLimit, book::MsOf(unit.lastReached), unit.notes})
                 .toLongLong();
    });
    if (!e.ok())
        return e;
    return id;
}

BookError SiteBook::UpdateUnit(const BookUnit &unit)
{
    if (BookError e = checkUnit(unit); !e.ok())
        return e;
    return write(QStringLiteral("the change of the unit \"%1\"").arg(unit.label), [&] {
        if (!m_db->Value(QStringLiteral("SELECT id FROM sites WHERE id = ?"), {unit.siteId}).isValid())
            throw refuse(BookFailure::NotFound, QStringLiteral("The site of the unit \"%1\" is not in the book.").arg(unit.label));
        if (m_db->Value(QStringLiteral("SELECT id FROM units WHERE label = ? AND id <> ?"), {unit.label, unit.id}).isValid())
            throw refuse(BookFailure::Duplicate, QStringLiteral("A unit labelled \"%1\" is already in the book.").arg(unit.label));
        // The model line, MemoryLimit and last contact are MarkReached's: an
        // edit of a copy read before another PC's log-on leaves them as they are.
        if (m_db->Exec(QStringLiteral("UPDATE units SET site_id = ?, label = ?, transport = ?, address = ?, number = ?, "
                                      "notes = ? WHERE id = ?"),
                       {unit.siteId, unit.label, QString::fromLatin1(transportName(unit.transport)), unit.address,
                        unit.number, unit.notes, unit.id})
                .numRowsAffected()
            != 1)
            throw refuse(BookFailure::NotFound, QStringLiteral("The unit \"%1\" is not in the book.").arg(unit.label));
    });
}

BookError SiteBook::RemoveUnit(qint64 unitId)
{
    return write(QStringLiteral("the removal of a unit"), [&] {
        if (!m_db->Value(QStringLiteral("SELECT id FROM units WHERE id = ?"), {unitId}).isValid())
            throw refuse(BookFailure::NotFound, QStringLiteral("The unit is not in the book."));
        m_db->Exec(QStringLiteral("DELETE FROM find_rows WHERE unit_id = ?"), {unitId});
        m_db->Exec(QStringLiteral("DELETE FROM journal_changes WHERE entry_id IN (SELECT id FROM journal WHERE unit_id = ?)"),
                   {unitId});
        m_db->Exec(QStringLiteral("DELETE FROM journal WHERE unit_id = ?"), {unitId});
        m_db->Exec(QStringLiteral("DELETE FROM snapshots WHERE unit_id = ?"), {unitId});
        m_db->Exec(QStringLiteral("DELETE FROM units WHERE id = ?"), {unitId});
    });
}

BookResult<QList<BookUnit>> SiteBook::Units(qint64 siteId)
{
    QList<BookUnit> units;
    const BookError e = m_db->Read(QStringLiteral("the units"), [&] {
        QSqlQuery q = siteId == 0
                          ? m_db->Exec(QString::fromLatin1(kUnitColumns) + QStringLiteral("ORDER BY s.name, u.label"))
                          : m_db->Exec(QString::fromLatin1(kUnitColumns) + QStringLiteral("WHERE u.site_id = ? ORDER BY u.label"),
                                       {siteId});
        units = readUnits(q);
    });
    if (!e.ok())
        return e;
    return units;
}

BookResult<BookUnit> SiteBook::UnitByLabel(const QString &label)
{
    QList<BookUnit> units;
    const BookError e = m_db->Read(QStringLiteral("the unit \"%1\"").arg(label), [&] {
        QSqlQuery q = m_db->Exec(QString::fromLatin1(kUnitColumns) + QStringLiteral("WHERE u.label = ?"), {label});
        units = readUnits(q);
    });
    if (!e.ok())
        return e;
    if (units.isEmpty())
        return BookError::Fail(BookFailure::NotFound,
                               QStringLiteral("No unit labelled \"%1\" is in the book.").arg(book::Printable(label)));
    return units.first();
}

BookResult<BookUnit> SiteBook::UnitById(qint64 unitId)
{
    QList<BookUnit> units;
    const BookError e = m_db->Read(QStringLiteral("a unit"), [&] {
        QSqlQuery q = m_db->Exec(QString::fromLatin1(kUnitColumns) + QStringLiteral("WHERE u.id = ?"), {unitId});
        units = readUnits(q);
    });
    if (!e.ok())
        return e;
    if (units.isEmpty())
        return BookError::Fail(BookFailure::NotFound, QStringLiteral("The unit is not in the book."));
    return units.first();
}

BookError SiteBook::MarkReached(qint64 unitId, const QByteArray &modelLine, int memoryLimit, const QDateTime &when)
{
    const QDateTime at = when.isValid() ? when : QDateTime::currentDateTimeUtc();
    return write(QStringLiteral("the unit's last contact"), [&] {
        if (m_db->Exec(QStringLiteral("UPDATE units SET model_line = ?, memory_limit = ?, last_reached_ms = ? WHERE id = ?"),
                       {book::Text(modelLine), memoryLimit, book::MsOf(at), unitId})
                .numRowsAffected()
            != 1)
            throw refuse(BookFailure::NotFound, QStringLiteral("The unit is not in the book."));
    });
}

} // namespace porv
