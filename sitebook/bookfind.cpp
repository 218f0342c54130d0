// Find across the book: the records of every unit's latest snapshot that
// hold a text, as the directory's find box decides it (ClientMatcher).
#include "sitebook.h"

#include <QSqlQuery>

#include <algorithm>

#include "bookdb.h"
#include "bookindex.h"
#include "booktext.h"
#include "clientfilter.h"
#include "directorytable.h"

namespace porv {

namespace {

// The trigram index answers texts of three characters or more.
constexpr int kTrigram = 3;

// An FTS5 phrase: the text between double quotes, a quote doubled.
QString phrase(const QString &column, const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return column + QStringLiteral(":\"") + quoted + QLatin1Char('"');
}

} // namespace

BookResult<QList<FoundRecord>> SiteBook::Find(const QString &text, int limit)
{
    QList<FoundRecord> found;
    if (text.isEmpty() || limit <= 0)
        return found;
    // What a record's name, room or tag must hold: the text folded; nothing
    // when it has a character no unit can hold (beyond Latin-1, or a control
    // character, which also keeps it inside one field).
    const bool typable = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF && c.unicode() >= 0x20; });
    const QString folded = typable ? book::Text(FoldLatin1(text.toLatin1())) : QString();
    // What the phone number must hold: the dial characters, when the text is
    // a number.
    QString dial = typable ? book::DialText(text.toLatin1()) : QString();
    if (!std::all_of(dial.begin(), dial.end(), [](QChar c) { return IsDialCharacter(char(c.unicode())); }))
        dial.clear();
    if (folded.isEmpty() && dial.isEmpty())
        return found;

    const bool lite = m_db->Backend() == BookBackend::SQLite;
    const QString holds = lite ? QStringLiteral("instr(%1, ?) > 0") : QStringLiteral("strpos(%1, ?) > 0");
    QString where = QStringLiteral("((? <> '' AND %1) OR (? <> '' AND %2))")
                        .arg(holds.arg(QStringLiteral("r.text")), holds.arg(QStringLiteral("r.dial")));
    QVariantList values{folded, folded, dial, dial};
    const bool indexed = lite && (folded.isEmpty() || folded.size() >= kTrigram) && (dial.isEmpty() || dial.size() >= kTrigram);
    if (indexed) {
        QStringList terms;
        if (!folded.isEmpty())
            terms.append(phrase(QStringLiteral("text"), folded));
        if (!dial.isEmpty())
            terms.append(phrase(QStringLiteral("dial"), dial));
        where += QStringLiteral(" AND r.id IN (SELECT rowid FROM find_fts WHERE find_fts MATCH ?)");
        values.append(terms.join(QLatin1String(" OR ")));
    }
    values.append(limit);
    const QString sql = QStringLiteral("SELECT s.name, u.label, r.unit_id, r.snapshot_id, r.addr, r.name, r.room, r.phone, "
                                       "r.tag FROM find_rows r JOIN units u ON u.id = r.unit_id "
                                       "JOIN sites s ON s.id = u.site_id WHERE ")
                      + where + QStringLiteral(" ORDER BY s.name, u.label, r.id LIMIT ?");
    const BookError e = m_db->Read(QStringLiteral("the records that hold the text"), [&] {
        found.clear();
        QSqlQuery q = m_db->Exec(sql, values);
        while (q.next()) {
            FoundRecord r;
            r.site = q.value(0).toString();
            r.unit = q.value(1).toString();
            r.unitId = q.value(2).toLongLong();
            r.snapshotId = q.value(3).toLongLong();
            r.addr = q.value(4).toString().toLatin1();
            r.name = q.value(5).toString().toLatin1();
            r.room = q.value(6).toString().toLatin1();
            r.phone = q.value(7).toString().toLatin1();
            r.tag = q.value(8).toString().toLatin1();
            found.append(r);
        }
    });
    if (!e.ok())
        return e;
    return found;
}

} // namespace porv
