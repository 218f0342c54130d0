#include "unitwrites.h"

#include <QHash>
#include <QObject>

#include "link.h"

namespace porv {

namespace {

struct LinkWrites {
    UnitWriteObserver *observer = nullptr;
    UnitWriteScope *open = nullptr; // the innermost scope open on the link
};

// Kept beside the link rather than in it: the link's exchange knows nothing
// of who watches its writes. A link that goes away takes its entry along.
QHash<const Link *, LinkWrites> &writesByLink()
{
    static QHash<const Link *, LinkWrites> writes;
    return writes;
}

LinkWrites &writesOf(Link &link)
{
    QHash<const Link *, LinkWrites> &all = writesByLink();
    auto it = all.find(&link);
    if (it == all.end()) {
        it = all.insert(&link, LinkWrites{});
        QObject::connect(&link, &QObject::destroyed, [key = &link] { writesByLink().remove(key); });
    }
    return *it;
}

} // namespace

void AttachUnitWriteObserver(Link &link, UnitWriteObserver *observer) { writesOf(link).observer = observer; }

UnitWriteObserver *UnitWriteObserverOf(const Link &link)
{
    const auto it = writesByLink().constFind(&link);
    return it == writesByLink().constEnd() ? nullptr : it->observer;
}

QList<UnitFieldChange> ChangedFields(const QString &item, const QList<QByteArray> &fields,
                                     const QList<QByteArray> &before, const QList<QByteArray> &after,
                                     const QSet<QByteArray> &secret)
{
    QList<UnitFieldChange> changes;
    for (int i = 0; i < fields.size(); ++i) {
        const QByteArray was = before.value(i);
        const QByteArray now = after.value(i);
        if (was == now)
            continue;
        const QString field = QString::fromLatin1(fields[i]);
        changes.append(secret.contains(fields[i]) ? UnitFieldChange::Secret(item, field)
                                                  : UnitFieldChange{item, field, was, now, false});
    }
    return changes;
}

UnitFieldChange BlockChange(const QByteArray &block, const QByteArray &before, const QByteArray &after, bool secret)
{
    const QString item = QStringLiteral("block ") + QString::fromLatin1(block);
    return secret ? UnitFieldChange::Secret(item, QStringLiteral("bytes")) : UnitFieldChange{item, QStringLiteral("bytes"), before, after, false};
}

QList<UnitFieldChange> SecretChanges(const QString &item, const QList<QByteArray> &fields)
{
    QList<UnitFieldChange> changes;
    for (const QByteArray &f : fields)
        changes.append(UnitFieldChange::Secret(item, QString::fromLatin1(f)));
    return changes;
}

UnitWriteScope::UnitWriteScope(Link &link, UnitWriteKind kind, bool writing, const QString &what)
    : m_link(link), m_idle(!writing)
{
    m_write.kind = kind;
    if (m_idle)
        return;
    m_write.what = what;
    LinkWrites &writes = writesOf(link);
    m_outer = writes.open;
    writes.open = this;
    if (!m_outer && writes.observer)
        m_allowed = writes.observer->MayWrite(m_write);
}

UnitWriteScope::~UnitWriteScope()
{
    if (m_idle)
        return;
    if (!m_done && m_partsDone)
        Done(true);
    const auto it = writesByLink().find(&m_link);
    if (it != writesByLink().end() && it->open == this)
        it->open = m_outer;
}

void UnitWriteScope::Done(bool confirmed, const QList<UnitFieldChange> &changes, const QString &what)
{
    if (m_idle || m_done || !m_allowed)
        return;
    m_done = true;
    if (!what.isEmpty())
        m_write.what = what;
    m_write.confirmed = m_write.confirmed && confirmed;
    m_write.changes += changes;
    if (m_outer) {
        // Part of the outer write: its changes and its confirmation.
        m_outer->m_write.changes += m_write.changes;
        m_outer->m_write.confirmed = m_outer->m_write.confirmed && m_write.confirmed;
        m_outer->m_partsDone = true;
        return;
    }
    if (UnitWriteObserver *observer = UnitWriteObserverOf(m_link))
        observer->Written(m_write);
}

} // namespace porv
