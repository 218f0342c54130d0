#include "unitcompare.h"

#include <QHash>
#include <QJsonArray>

#include <algorithm>

#include "blockcompare.h"
#include "codecs.h"
#include "directorychanges.h"
#include "directorytransfer.h"
#include "fields.h"
#include "memtable.h"
#include "tagbinding.h"

namespace porv {

namespace {

struct RecordField {
    const char *key;
    const char *label;
    QByteArray BackupRecord::*field;
    QByteArray StoredRecord::*stored;
};
const RecordField kRecordFields[] = {
    {"name", "Name", &BackupRecord::name, &StoredRecord::name},
    {"room", "Room", &BackupRecord::room, &StoredRecord::room},
    {"phone", "Phone", &BackupRecord::phone, &StoredRecord::phone},
    {"code1", "Code 1", &BackupRecord::code1, &StoredRecord::code1},
    {"code2", "Code 2", &BackupRecord::code2, &StoredRecord::code2},
    {"spare", "Spare", &BackupRecord::spare, &StoredRecord::spare},
};

// The tag each record's room receives from the list, as a tag download binds
// them: address -> code.
QHash<QByteArray, QByteArray> boundTags(const QList<BackupRecord> &records, const QList<BackupTag> &tags)
{
    StandaloneDirectory directory;
    for (const BackupRecord &r : records)
        directory.table.AppendRecord({r.name, r.room, r.phone, r.code1, r.code2, r.spare, QByteArray(), r.addr});
    QList<TagEntry> entries;
    for (const BackupTag &t : tags)
        entries.append({t.room, t.code.toUpper()});
    TaggedAddresses tagged;
    BindTags(directory.table, entries, tagged);
    QHash<QByteArray, QByteArray> out;
    for (int row = 0; row < directory.table.RecordCount(); ++row)
        out.insert(directory.table.RowText(row, 7).toUpper(), directory.table.RowText(row, 6));
    return out;
}

// A field as the value given compares it: a number without its layout.
QByteArray given(const RecordField &f, const BackupRecord &r)
{
    return f.field == &BackupRecord::phone ? DialNumber(r.phone) : r.*f.field;
}

// The unit's characters of a number, with the "?" fill it is listed with.
QByteArray storedChars(const RecordField &f, const StoredRecord &s)
{
    const QByteArray chars = s.*f.stored;
    return f.stored == &StoredRecord::phone ? PadRight(chars, 16, '?') : chars;
}

// The fields of a target that differ from the unit's record there (`now`;
// none for a new one): its decoded values, each with what the unit would
// hold when it cannot hold it as given; then, when the block is written, the
// unit's characters that differ where no decoded value shows it.
QList<FieldChange> fieldChanges(const TargetRecord &t, const BackupRecord *now)
{
    QList<FieldChange> fields;
    const BackupRecord none;
    const BackupRecord &unit = now ? *now : none;
    const StoredRecord asked = WriteFormOf(t, now);
    const bool written = !now || StoredOf(*now) != asked;
    const StoredRecord stored = SendableForm(asked);
    const StoredRecord held = now ? StoredOf(*now) : StoredRecord();
    for (const RecordField &f : kRecordFields) {
        const QByteArray value = given(f, t.record);
        const QByteArray storedValue = StoredField(stored, f.key);
        // A new record: only what it would not hold as given.
        const bool listed = now ? value != unit.*f.field : storedValue != value;
        if (listed) {
            FieldChange c{f.key, QLatin1String(f.label), unit.*f.field, value, std::nullopt};
            if (storedValue != value)
                c.stored = storedValue;
            fields.append(c);
        } else if (written && now && stored.*f.stored != held.*f.stored) {
            fields.append({f.key, QLatin1String(f.label) + QStringLiteral(" (as stored)"), storedChars(f, held),
                           storedChars(f, stored), std::nullopt});
        }
    }
    return fields;
}

// Which tags one list has that the other has not, each entry counted once;
// codes compare without regard to case (the unit stores them in one).
void compareTags(const QList<BackupTag> &unit, const QList<BackupTag> &pc, bool order, UnitDiff &diff)
{
    auto upper = [](QList<BackupTag> tags) {
        for (BackupTag &t : tags)
            t.code = t.code.toUpper();
        return tags;
    };
    const QList<BackupTag> unitTags = upper(unit), pcTags = upper(pc);
    QList<BackupTag> left = unitTags;
    for (const BackupTag &t : pcTags) {
        const qsizetype i = left.indexOf(t);
        if (i >= 0)
            left.removeAt(i);
        else
            diff.tagsAdded.append(t);
    }
    diff.tagsRemoved = left;
    diff.tagOrderChanged = order && diff.tagsAdded.isEmpty() && diff.tagsRemoved.isEmpty() && unitTags != pcTags;
}

// Records by address, field by field and in the unit's characters; a record
// whose block stands unchanged at another address shows as moved.
void compareRecords(const QList<TargetRecord> &targets, const QList<BackupRecord> &unit, int memoryLimit,
                    bool keepAddresses, const std::optional<QHash<QByteArray, QByteArray>> &unitTags, UnitDiff &diff)
{
    const DirectoryPlan plan = PlanDirectoryChanges(targets, unit, memoryLimit, keepAddresses);
    QHash<QByteArray, BackupRecord> held;
    for (const BackupRecord &r : unit)
        held.insert(r.addr.toUpper(), r);
    QList<RecordChange> added, removed, changed;
    auto describe = [&](int index, const QByteArray &addr) {
        const TargetRecord &t = targets.at(index);
        const auto now = held.constFind(addr);
        const BackupRecord *unitRecord = now == held.cend() ? nullptr : &*now;
        RecordChange c{unitRecord ? RecordChange::Kind::Changed : RecordChange::Kind::Added,
                       addr, QByteArray(), t.record.name, t.record.room, fieldChanges(t, unitRecord),
                       plan.problems.value(index)};
        if (unitRecord && unitTags && unitTags->value(addr) != t.tag)
            c.fields.append({"tag", QStringLiteral("Tag"), unitTags->value(addr), t.tag, std::nullopt});
        if (c.kind == RecordChange::Kind::Added)
            added.append(c);
        else if (!c.fields.isEmpty() || !c.problem.isEmpty())
            changed.append(c);
    };
    QSet<int> placed;
    for (auto it = plan.placed.cbegin(); it != plan.placed.cend(); ++it) {
        describe(it.value(), it.key());
        placed.insert(it.value());
    }
    // Refused where they stand, or where they would have gone.
    for (auto it = plan.problems.cbegin(); it != plan.problems.cend(); ++it)
        if (!placed.contains(it.key()))
            describe(it.key(), targets.at(it.key()).record.addr.toUpper());
    for (int k = int(plan.freeAddresses.size()); k < plan.needAddress.size(); ++k) {
        const TargetRecord &t = targets.at(plan.needAddress.at(k));
        added.append({RecordChange::Kind::Added, "new", QByteArray(), t.record.name, t.record.room, {},
                      QStringLiteral("no free address in the unit")});
    }
    for (const BackupRecord &r : plan.erases)
        removed.append({RecordChange::Kind::Removed, r.addr.toUpper(), QByteArray(), r.name, r.room, {}, QString()});
    // A record that only moved: its block removed at one address and written
    // as it was at another.
    for (qsizetype a = 0; a < added.size(); ++a) {
        const auto target = plan.placed.constFind(added[a].addr);
        if (target == plan.placed.cend() || !added[a].problem.isEmpty())
            continue;
        const StoredRecord asked = WriteFormOf(targets.at(*target), nullptr);
        for (qsizetype r = 0; r < removed.size(); ++r) {
            if (StoredOf(held.value(removed[r].addr)) != asked)
                continue;
            RecordChange moved = added[a];
            moved.kind = RecordChange::Kind::Moved;
            moved.from = removed[r].addr;
            moved.fields.clear();
            changed.append(moved);
            added.removeAt(a--);
            removed.removeAt(r);
            break;
        }
    }
    diff.records = added + removed + changed;
    std::stable_sort(diff.records.begin(), diff.records.end(),
                     [](const RecordChange &x, const RecordChange &y) { return x.addr < y.addr; });
}

QString text(const QByteArray &value) { return value.isEmpty() ? QStringLiteral("(empty)") : QString::fromLatin1(value); }

// A value as the lines and JSON show it: a release code only as being one.
QByteArray shown(const FieldChange &f, const QByteArray &value)
{
    return IsReleaseCodeField(f.field) && !value.isEmpty() ? QByteArrayLiteral("****") : value;
}

// "<label>  unit: <value>  file: <value>", with what the unit would hold; a
// new record's without the unit's side, which holds none.
QString fieldText(const FieldChange &f, const UnitDiff &diff, bool unitSide = true)
{
    QString line = unitSide ? QStringLiteral("%1  %2: %3  %4: %5")
                                  .arg(f.label, diff.unitSide, text(shown(f, f.unit)), diff.pcSide, text(shown(f, f.pc)))
                            : QStringLiteral("%1  %2: %3").arg(f.label, diff.pcSide, text(shown(f, f.pc)));
    if (f.stored)
        line += QStringLiteral(" (stored as %1)").arg(text(shown(f, *f.stored)));
    return line;
}

const char *const kKinds[] = {"added", "removed", "changed", "moved"};

QString recordLine(const RecordChange &c, const UnitDiff &diff)
{
    QString where = QString::fromLatin1(c.addr);
    if (c.kind == RecordChange::Kind::Moved)
        where = QString::fromLatin1(c.from) + QStringLiteral(" -> ") + where;
    QString line = QStringLiteral("  %1 %2  %3  room %4")
                       .arg(QLatin1String(kKinds[int(c.kind)]), -7)
                       .arg(where, text(c.name), text(c.room));
    QStringList fields;
    for (const FieldChange &f : c.fields)
        fields.append(fieldText(f, diff, c.kind != RecordChange::Kind::Added));
    if (!fields.isEmpty())
        line += QStringLiteral(": ") + fields.join(QStringLiteral("; "));
    if (!c.problem.isEmpty())
        line += QStringLiteral(" (the unit cannot store it: %1)").arg(c.problem);
    return line;
}

QString bytesLine(const BlockChange &b)
{
    return QStringLiteral("  other bytes of block %1 differ (%2 %3)")
        .arg(QString::fromLatin1(b.block))
        .arg(b.bytes)
        .arg(b.bytes == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"));
}

QJsonObject fieldJson(const FieldChange &f)
{
    QJsonObject o{{QStringLiteral("field"), QString::fromLatin1(f.field)},
                  {QStringLiteral("label"), f.label},
                  {QStringLiteral("unit"), QString::fromLatin1(shown(f, f.unit))},
                  {QStringLiteral("pc"), QString::fromLatin1(shown(f, f.pc))}};
    if (f.stored)
        o.insert(QStringLiteral("stored"), QString::fromLatin1(shown(f, *f.stored)));
    return o;
}

QJsonArray tagsJson(const QList<BackupTag> &tags)
{
    QJsonArray a;
    for (const BackupTag &t : tags)
        a.append(QJsonObject{{QStringLiteral("room"), QString::fromLatin1(t.room)},
                             {QStringLiteral("code"), QString::fromLatin1(t.code)}});
    return a;
}

QJsonArray bytesJson(const QList<BlockChange> &blocks)
{
    QJsonArray a;
    for (const BlockChange &b : blocks)
        a.append(QJsonObject{{QStringLiteral("block"), QString::fromLatin1(b.block)},
                             {QStringLiteral("otherBytes"), b.bytes}});
    return a;
}

int countOf(const QList<RecordChange> &records, RecordChange::Kind kind)
{
    return int(std::count_if(records.begin(), records.end(), [kind](const RecordChange &c) { return c.kind == kind; }));
}

} // namespace

bool UnitDiff::Same() const
{
    return records.isEmpty() && parameters.isEmpty() && parameterBytes.isEmpty() && accessDiffer.isEmpty()
        && tagsAdded.isEmpty() && tagsRemoved.isEmpty() && !tagOrderChanged && tagBytes.isEmpty();
}

int UnitDiff::RecordsAdded() const { return countOf(records, RecordChange::Kind::Added); }
int UnitDiff::RecordsRemoved() const { return countOf(records, RecordChange::Kind::Removed); }
int UnitDiff::RecordsChanged() const { return countOf(records, RecordChange::Kind::Changed); }
int UnitDiff::RecordsMoved() const { return countOf(records, RecordChange::Kind::Moved); }

UnitDiff CompareUnit(const UnitBackup &unit, const UnitBackup &backup)
{
    UnitDiff diff;
    if (!backup.modelLine.isEmpty() && backup.modelLine != unit.modelLine)
        diff.notes.append(QStringLiteral("The backup was taken from a %1; the unit is a %2.")
                              .arg(QString::fromLatin1(backup.modelLine), QString::fromLatin1(unit.modelLine)));
    if (unit.directory && backup.directory) {
        // Addresses of a backup stand where they are: one outside this unit's
        // directory is named, never moved.
        const int limit = unit.memoryLimit > 0 ? unit.memoryLimit : 0x9000;
        std::optional<QHash<QByteArray, QByteArray>> unitTags;
        QList<TargetRecord> targets = TargetRecordsOfBackup(*backup.directory);
        if (unit.tags && backup.tags) {
            unitTags = boundTags(*unit.directory, *unit.tags);
            const QHash<QByteArray, QByteArray> backupTags = boundTags(*backup.directory, *backup.tags);
            for (TargetRecord &t : targets)
                t.tag = backupTags.value(t.record.addr.toUpper());
        }
        compareRecords(targets, *unit.directory, limit, true, unitTags, diff);
        for (const BackupRecord &r : *backup.directory)
            if (!UsableAddress(r.addr, limit)) {
                diff.notes.append(QStringLiteral("The backup's phone list does not fit this unit's directory: "
                                                 "it cannot be restored here."));
                break;
            }
    } else {
        diff.notes.append(QStringLiteral("The phone lists were not compared: only one side holds one."));
    }
    CompareParameterBlocks(unit, backup, diff);
    CompareAccessBlock(unit, backup, diff);
    if (unit.tags && backup.tags) {
        compareTags(*unit.tags, *backup.tags, true, diff);
        CompareTagBlocks(unit, backup, diff);
    } else {
        diff.notes.append(QStringLiteral("The tags were not compared: only one side holds them."));
    }
    return diff;
}

UnitDiff CompareParameterFields(const ParameterBlocks &unit, const ParameterFields &pc)
{
    UnitDiff diff;
    diff.pcSide = QStringLiteral("PC");
    CompareFieldsWithPage(unit, pc, diff);
    return diff;
}

UnitDiff ComparePhoneList(const MemTable &table, const UnitBackup &unit, int memoryLimit)
{
    UnitDiff diff;
    const QList<BackupRecord> records = unit.directory.value_or(QList<BackupRecord>());
    std::optional<QHash<QByteArray, QByteArray>> unitTags;
    if (unit.tags)
        unitTags = boundTags(records, *unit.tags);
    compareRecords(TargetRecordsOfTable(table), records, memoryLimit, false, unitTags, diff);
    if (unit.tags) {
        // The entries Write All would send, in the table's order.
        QList<BackupTag> pc;
        for (int row = 0; row < table.RecordCount(); ++row) {
            const QByteArray room = table.RowText(row, 1).left(6), code = table.RowText(row, 6).toUpper();
            if (!room.isEmpty() && !code.isEmpty())
                pc.append({room, code});
        }
        compareTags(*unit.tags, pc, false, diff);
    } else {
        diff.notes.append(QStringLiteral("The tags were not compared: the unit's were not read."));
    }
    return diff;
}

bool IsReleaseCodeField(const QByteArray &field)
{
    return field == "code1" || field == "code2" || field.startsWith("code_g") || field.startsWith("code_ic")
        || field.startsWith("code_sd");
}

QStringList DiffLines(const UnitDiff &diff)
{
    QStringList lines;
    if (!diff.records.isEmpty()) {
        QString heading = QStringLiteral("Phone list: %1 added, %2 removed, %3 changed")
                              .arg(diff.RecordsAdded())
                              .arg(diff.RecordsRemoved())
                              .arg(diff.RecordsChanged());
        if (diff.RecordsMoved() > 0)
            heading += QStringLiteral(", %1 moved").arg(diff.RecordsMoved());
        lines.append(heading);
        for (const RecordChange &c : diff.records)
            lines.append(recordLine(c, diff));
    }
    if (!diff.parameters.isEmpty() || !diff.parameterBytes.isEmpty()) {
        lines.append(QStringLiteral("Parameters: %1 differ").arg(diff.parameters.size() + diff.parameterBytes.size()));
        for (const FieldChange &f : diff.parameters)
            lines.append(QStringLiteral("  ") + fieldText(f, diff));
        for (const BlockChange &b : diff.parameterBytes)
            lines.append(bytesLine(b));
    }
    for (const QString &problem : diff.parameterProblems)
        lines.append(QStringLiteral("  ") + problem);
    if (!diff.accessDiffer.isEmpty())
        lines.append(QStringLiteral("PINs and emergency codes: %1 differ").arg(diff.accessDiffer.join(QStringLiteral(", "))));
    if (!diff.tagsAdded.isEmpty() || !diff.tagsRemoved.isEmpty() || diff.tagOrderChanged || !diff.tagBytes.isEmpty()) {
        lines.append(QStringLiteral("Tags: %1 added, %2 removed%3")
                         .arg(diff.tagsAdded.size())
                         .arg(diff.tagsRemoved.size())
                         .arg(diff.tagOrderChanged ? QStringLiteral(", the same tags in another order") : QString()));
        for (const BackupTag &t : diff.tagsAdded)
            lines.append(QStringLiteral("  added   room %1 tag %2").arg(QString::fromLatin1(t.room), QString::fromLatin1(t.code)));
        for (const BackupTag &t : diff.tagsRemoved)
            lines.append(QStringLiteral("  removed room %1 tag %2").arg(QString::fromLatin1(t.room), QString::fromLatin1(t.code)));
        for (const BlockChange &b : diff.tagBytes)
            lines.append(bytesLine(b));
    }
    if (diff.Same())
        lines.append(QStringLiteral("Nothing differs."));
    for (const QString &note : diff.notes)
        lines.append(QStringLiteral("Note: ") + note);
    return lines;
}

QJsonObject DiffToJson(const UnitDiff &diff)
{
    QJsonArray records;
    for (const RecordChange &c : diff.records) {
        QJsonArray fields;
        for (const FieldChange &f : c.fields)
            fields.append(fieldJson(f));
        QJsonObject o{{QStringLiteral("change"), QLatin1String(kKinds[int(c.kind)])},
                      {QStringLiteral("addr"), QString::fromLatin1(c.addr)},
                      {QStringLiteral("name"), QString::fromLatin1(c.name)},
                      {QStringLiteral("room"), QString::fromLatin1(c.room)},
                      {QStringLiteral("fields"), fields}};
        if (c.kind == RecordChange::Kind::Moved)
            o.insert(QStringLiteral("from"), QString::fromLatin1(c.from));
        if (!c.problem.isEmpty())
            o.insert(QStringLiteral("problem"), c.problem);
        records.append(o);
    }
    QJsonArray parameters;
    for (const FieldChange &f : diff.parameters)
        parameters.append(fieldJson(f));
    return {{QStringLiteral("same"), diff.Same()},
            {QStringLiteral("records"), records},
            {QStringLiteral("parameters"), parameters},
            {QStringLiteral("blocks"), bytesJson(diff.parameterBytes + diff.tagBytes)},
            {QStringLiteral("access"), QJsonArray::fromStringList(diff.accessDiffer)},
            {QStringLiteral("tags"), QJsonObject{{QStringLiteral("added"), tagsJson(diff.tagsAdded)},
                                                  {QStringLiteral("removed"), tagsJson(diff.tagsRemoved)},
                                                  {QStringLiteral("orderChanged"), diff.tagOrderChanged}}},
            {QStringLiteral("notes"), QJsonArray::fromStringList(diff.notes + diff.parameterProblems)}};
}

} // namespace porv
