#include "bookrecorder.h"

#include <QFileInfo>

#include "link.h"
#include "portlist.h"

namespace porv {

namespace {

static_assert(int(UnitWriteKind::Restore) == int(JournalKind::Restore) && int(UnitWriteKind::FullUpload) == int(JournalKind::FullUpload),
              "a write's kind is the journal's kind of the same name");

// What a modem dials, without its layout.
QString dialled(const QString &number)
{
    QString digits;
    for (QChar c : number)
        if (c.isDigit() || c == QLatin1Char('*') || c == QLatin1Char('#'))
            digits += c;
    return digits;
}

// A PIN or an emergency code by the name its field has ("NewPin2", "EmgyCode3").
std::optional<SecretCode> secretCodeOf(const QString &field)
{
    const QString f = field.toLower();
    const bool emergency = f.contains(QLatin1String("emgy")) || f.contains(QLatin1String("emergency"));
    if (!emergency && !f.contains(QLatin1String("pin")))
        return std::nullopt;
    int n = f.isEmpty() || !f.back().isDigit() ? 1 : f.back().digitValue();
    n = qBound(1, n, 4);
    return SecretCode((emergency ? 4 : 0) + n - 1);
}

JournalEntry entryOf(qint64 unitId, const UnitWrite &write)
{
    JournalEntry entry;
    entry.unitId = unitId;
    entry.kind = JournalKind(int(write.kind));
    entry.confirmed = write.confirmed;
    for (const UnitFieldChange &c : write.changes) {
        if (c.secret) {
            if (const std::optional<SecretCode> code = secretCodeOf(c.field))
                entry.secretsChanged.append(*code);
            else
                entry.changes.append({c.item, c.field, {}, {}, true});
        } else {
            entry.changes.append({c.item, c.field, c.before, c.after, false});
        }
    }
    // A write without field changes (a full upload) says what it wrote.
    if (entry.changes.isEmpty() && entry.secretsChanged.isEmpty() && !write.what.isEmpty())
        entry.changes.append({write.what, QStringLiteral("written"), {}, {}, false});
    return entry;
}

} // namespace

std::optional<BookUnit> BookUnitReachedBy(const QList<BookUnit> &units, const UnitReach &reach)
{
    for (const BookUnit &u : units) {
        if (u.transport != reach.transport)
            continue;
        switch (u.transport) {
        case UnitTransport::Udp:
            if (u.address.compare(reach.address, Qt::CaseInsensitive) == 0)
                return u;
            break;
        case UnitTransport::Serial:
            if (DevicePath(u.address) == DevicePath(reach.address))
                return u;
            break;
        case UnitTransport::Modem:
            if (DevicePath(u.address) == DevicePath(reach.address) && dialled(u.number) == dialled(reach.number))
                return u;
            break;
        }
    }
    return std::nullopt;
}

BookResult<std::optional<BookLocation>> RecordingBookAt(const QString &text)
{
    if (text.trimmed().isEmpty() && !QFileInfo::exists(DefaultBookFile()))
        return std::optional<BookLocation>();
    BookResult<BookLocation> parsed = ParseBookLocation(text.trimmed());
    if (!parsed.ok())
        return parsed.error;
    return std::optional<BookLocation>(parsed.value);
}

QString WriteAnywayQuestion(const QString &reason)
{
    QString why = reason.trimmed();
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    return QStringLiteral("The change could not be recorded in the site book (%1). Write anyway?").arg(why);
}

BookRecorder::BookRecorder(Hooks hooks) : m_hooks(std::move(hooks)) {}

BookRecorder::~BookRecorder()
{
    if (m_link && UnitWriteObserverOf(*m_link) == this)
        AttachUnitWriteObserver(*m_link, nullptr);
    if (m_link) {
        SetAutomaticBackupKeeper({});
        SetBackupTakenHook({});
    }
}

void BookRecorder::Install(Link &link)
{
    m_link = &link;
    AttachUnitWriteObserver(link, this);
    SetAutomaticBackupKeeper([this](const UnitBackup &backup, const UnitIdentity &) { return KeepBackup(backup); });
    SetBackupTakenHook([this](const UnitBackup &backup) { KeepManualBackup(backup); });
}

void BookRecorder::ChooseUnit(qint64 unitId)
{
    m_chosen = unitId;
    m_matchedReach.reset();
    m_match = Match::NoBook;
}

BookRecorder::Match BookRecorder::resolve()
{
    const QString text = m_hooks.locationText ? m_hooks.locationText() : QString();
    const BookResult<std::optional<BookLocation>> where = RecordingBookAt(text);
    m_reason.clear();
    if (!where.ok()) {
        m_bookName = text;
        m_reason = where.error.message;
        return m_match = Match::Unreachable;
    }
    if (!where.value) {
        m_book.reset();
        return m_match = Match::NoBook;
    }
    m_bookName = where.value->Name();
    if (!m_book || m_bookText != text) {
        m_matchedReach.reset();
        BookResult<std::unique_ptr<SiteBook>> opened = SiteBook::Open(*where.value);
        if (!opened.ok()) {
            m_book.reset();
            m_reason = opened.error.message;
            return m_match = Match::Unreachable;
        }
        m_book = std::move(opened.value);
        m_bookText = text;
    }
    const std::optional<UnitReach> reach = m_hooks.reach ? m_hooks.reach() : std::nullopt;
    const bool same = m_matchedReach && reach && m_matchedReach->transport == reach->transport
                   && m_matchedReach->address == reach->address && m_matchedReach->number == reach->number;
    if (same && (m_match == Match::InBook || m_match == Match::NotInBook)) {
        if (m_match == Match::NotInBook)
            return m_match;
        // The unit is known: the book must answer now.
        const BookError ping = m_book->Ping();
        if (ping.ok())
            return m_match;
        m_reason = ping.message;
        return Match::Unreachable; // the match stays for when the book answers again
    }
    if (m_chosen) {
        const BookResult<BookUnit> unit = m_book->UnitById(m_chosen);
        if (!unit.ok()) {
            m_reason = unit.error.message;
            return m_match = Match::Unreachable;
        }
        m_unit = unit.value;
        m_matchedReach = reach.value_or(UnitReach{});
        return m_match = Match::InBook;
    }
    if (!reach)
        return m_match = Match::NotInBook;
    const BookResult<QList<BookUnit>> units = m_book->Units();
    if (!units.ok()) {
        m_reason = units.error.message;
        return m_match = Match::Unreachable;
    }
    m_matchedReach = reach;
    const std::optional<BookUnit> unit = BookUnitReachedBy(units.value, *reach);
    if (!unit)
        return m_match = Match::NotInBook;
    m_unit = *unit;
    return m_match = Match::InBook;
}

bool BookRecorder::MayWrite(const UnitWrite &)
{
    m_unrecorded = false;
    const Match match = resolve();
    if (match != Match::Unreachable)
        return true;
    if (m_hooks.writeAnyway && m_hooks.writeAnyway(WriteAnywayQuestion(m_reason))) {
        m_unrecorded = true;
        return true;
    }
    return false;
}

void BookRecorder::note(const QString &what, const QString &why, bool allowed)
{
    const QString line = QStringLiteral("The site book %1 did not record %2: %3").arg(m_bookName, what, why);
    m_notRecorded.append(line);
    if (m_hooks.notRecorded)
        m_hooks.notRecorded(line, allowed);
}

void BookRecorder::Written(const UnitWrite &write)
{
    const QString what = QStringLiteral("the %1%2 (%3)")
                             .arg(JournalKindName(JournalKind(int(write.kind))),
                                  write.confirmed ? QString() : QStringLiteral(", not confirmed by the unit"), write.what);
    if (m_unrecorded || !m_book || m_match != Match::InBook) {
        if (m_unrecorded)
            note(what, m_reason, true);
        m_unrecorded = false;
        return;
    }
    const BookResult<JournalRecord> recorded = m_book->Journal(entryOf(m_unit.id, write));
    if (!recorded.ok())
        note(what, recorded.error.message, false);
}

std::optional<AutomaticBackup> BookRecorder::KeepBackup(const UnitBackup &backup)
{
    if (resolve() != Match::InBook)
        return std::nullopt;
    const BookResult<SnapshotInfo> kept = m_book->AddSnapshot(m_unit.id, backup, SnapshotOrigin::BeforeWrite);
    if (!kept.ok()) {
        note(QStringLiteral("the automatic backup (it went to the folder of automatic backups)"), kept.error.message, true);
        return std::nullopt;
    }
    AutomaticBackup result;
    result.backup = backup;
    result.path = QStringLiteral("the site book %1 (a snapshot of %2)").arg(m_bookName, m_unit.label);
    return result;
}

void BookRecorder::KeepManualBackup(const UnitBackup &backup)
{
    if (resolve() != Match::InBook)
        return;
    const BookResult<SnapshotInfo> kept = m_book->AddSnapshot(m_unit.id, backup, SnapshotOrigin::Manual);
    if (!kept.ok())
        note(QStringLiteral("the backup as a snapshot (the file was saved)"), kept.error.message, true);
}

} // namespace porv
