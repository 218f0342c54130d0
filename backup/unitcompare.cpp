#include "unitcompare.h"

#include <QHash>
#include <QJsonArray>

#include <algorithm>

#include "backupparameters.h"
#include "codecs.h"
#include "directorychanges.h"
#include "directorytransfer.h"
#include "failures.h"
#include "fields.h"
#include "image.h"
#include "memtable.h"
#include "tagbinding.h"

namespace porv {

namespace {

// Addresses of a backup are compared where they stand, whatever unit is connected.
constexpr int kAnyAddress = 0xFFE0;

struct RecordField {
    const char *key;
    const char *label;
    QByteArray BackupRecord::*field;
};
const RecordField kRecordFields[] = {
    {"name", "Name", &BackupRecord::name},    {"room", "Room", &BackupRecord::room},
    {"phone", "Phone", &BackupRecord::phone}, {"code1", "Code 1", &BackupRecord::code1},
    {"code2", "Code 2", &BackupRecord::code2}, {"spare", "Spare", &BackupRecord::spare},
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

// Which tags one list has that the other has not, each entry counted once.
void compareTags(const QList<BackupTag> &unit, const QList<BackupTag> &pc, bool order, UnitDiff &diff)
{
    QList<BackupTag> left = unit;
    for (const BackupTag &t : pc) {
        const qsizetype i = left.indexOf(t);
        if (i >= 0)
            left.removeAt(i);
        else
            diff.tagsAdded.append(t);
    }
    diff.tagsRemoved = left;
    diff.tagOrderChanged = order && diff.tagsAdded.isEmpty() && diff.tagsRemoved.isEmpty() && unit != pc;
}

// Records by address, field by field; a record whose fields all stand at
// another address shows as moved (its address changed).
void compareRecords(const QList<TargetRecord> &targets, const QList<BackupRecord> &unit, int memoryLimit,
                    const std::optional<QHash<QByteArray, QByteArray>> &unitTags, UnitDiff &diff)
{
    const DirectoryPlan plan = PlanDirectoryChanges(targets, unit, memoryLimit);
    QHash<QByteArray, BackupRecord> held;
    for (const BackupRecord &r : unit)
        held.insert(r.addr.toUpper(), StoredForm(r));
    QList<RecordChange> added, removed, changed;
    auto problemOf = [](const TargetRecord &t) {
        return t.problem.kind == RecordProblem::None ? QString() : RecordProblemText(t.problem);
    };
    for (auto it = plan.placed.cbegin(); it != plan.placed.cend(); ++it) {
        const TargetRecord &t = targets.at(it.value());
        const BackupRecord pc = StoredForm(t.record);
        RecordChange c{RecordChange::Kind::Changed, it.key(), pc.name, pc.room, {}, problemOf(t)};
        const auto now = held.constFind(it.key());
        if (now == held.cend()) {
            c.kind = RecordChange::Kind::Added;
            added.append(c);
            continue;
        }
        const BackupRecord &was = *now;
        for (const RecordField &f : kRecordFields)
            if (was.*f.field != pc.*f.field)
                c.fields.append({f.key, QLatin1String(f.label), was.*f.field, pc.*f.field});
        if (unitTags && unitTags->value(it.key()) != t.tag)
            c.fields.append({"tag", QStringLiteral("Tag"), unitTags->value(it.key()), t.tag});
        if (!c.fields.isEmpty())
            changed.append(c);
    }
    for (int k = int(plan.freeAddresses.size()); k < plan.needAddress.size(); ++k) {
        const TargetRecord &t = targets.at(plan.needAddress.at(k));
        const BackupRecord pc = StoredForm(t.record);
        added.append({RecordChange::Kind::Added, "new", pc.name, pc.room, {},
                      QStringLiteral("no free address in the unit")});
    }
    for (const BackupRecord &r : plan.erases) {
        const BackupRecord s = StoredForm(r);
        removed.append({RecordChange::Kind::Removed, s.addr, s.name, s.room, {}, QString()});
    }
    // A record that only moved: removed at one address, added at another.
    for (qsizetype a = 0; a < added.size(); ++a) {
        const auto target = plan.placed.constFind(added[a].addr);
        if (target == plan.placed.cend())
            continue;
        for (qsizetype r = 0; r < removed.size(); ++r) {
            const BackupRecord was = held.value(removed[r].addr);
            BackupRecord now = StoredForm(targets.at(*target).record);
            now.addr = was.addr;
            if (now != was)
                continue;
            RecordChange moved = added[a];
            moved.kind = RecordChange::Kind::Changed;
            moved.fields.append({"addr", QStringLiteral("Address"), removed[r].addr, added[a].addr});
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

void compareFields(const ParameterFields &now, const ParameterFields &then, UnitDiff &diff)
{
    for (const ComparedField &f : ComparedParameterFields()) {
        const QByteArray a = ComparedValue(now, f), b = ComparedValue(then, f);
        if (a != b)
            diff.parameters.append({f.name, f.label, a, b});
    }
}

// The parameters page's fields on both sides: from the blocks when both have
// them, else from the parameters images (their fields only).
void compareParameters(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff)
{
    ParameterFields now, then;
    if (unit.parameterBlocks && backup.parameterBlocks) {
        ShowParameterBlocks(*unit.parameterBlocks, now);
        ShowParameterBlocks(*backup.parameterBlocks, then);
    } else if (unit.parameters && backup.parameters) {
        try {
            ParameterImage a, b;
            a.setBytes(*unit.parameters);
            b.setBytes(*backup.parameters);
            ControlsFromImage(a, now);
            ControlsFromImage(b, then);
        } catch (const ConversionError &) {
            diff.notes.append(QStringLiteral("The parameters image is damaged: the parameters were not compared."));
            return;
        }
        diff.notes.append(QStringLiteral("Only the fields of the parameters image were compared."));
    } else {
        diff.notes.append(QStringLiteral("The parameters were not compared: only one side holds them."));
        return;
    }
    compareFields(now, then, diff);
}

void compareAccess(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff)
{
    if (!unit.access || !backup.access) {
        diff.notes.append(QStringLiteral("The PINs and emergency codes were not compared: only one side holds them."));
        return;
    }
    ParameterFields now, then;
    ShowAccessCodes(*unit.access, now);
    ShowAccessCodes(*backup.access, then);
    for (const ComparedField &f : ComparedAccessFields())
        if (EncodePin(now.text(f.name)) != EncodePin(then.text(f.name)))
            diff.accessDiffer.append(f.label);
}

QString text(const QByteArray &value) { return value.isEmpty() ? QStringLiteral("(empty)") : QString::fromLatin1(value); }

QString recordLine(const RecordChange &c)
{
    static const char *const kinds[] = {"added", "removed", "changed"};
    QString line = QStringLiteral("  %1 %2  %3  room %4")
                       .arg(QLatin1String(kinds[int(c.kind)]), -7)
                       .arg(QString::fromLatin1(c.addr), text(c.name), text(c.room));
    QStringList fields;
    for (const FieldChange &f : c.fields)
        fields.append(QStringLiteral("%1 %2 -> %3").arg(f.label, text(f.unit), text(f.pc)));
    if (!fields.isEmpty())
        line += QStringLiteral(": ") + fields.join(QStringLiteral("; "));
    if (!c.problem.isEmpty())
        line += QStringLiteral(" (the unit cannot store it: %1)").arg(c.problem);
    return line;
}

QJsonObject fieldJson(const FieldChange &f)
{
    return {{QStringLiteral("field"), QString::fromLatin1(f.field)},
            {QStringLiteral("label"), f.label},
            {QStringLiteral("unit"), QString::fromLatin1(f.unit)},
            {QStringLiteral("pc"), QString::fromLatin1(f.pc)}};
}

QJsonArray tagsJson(const QList<BackupTag> &tags)
{
    QJsonArray a;
    for (const BackupTag &t : tags)
        a.append(QJsonObject{{QStringLiteral("room"), QString::fromLatin1(t.room)},
                             {QStringLiteral("code"), QString::fromLatin1(t.code)}});
    return a;
}

} // namespace

bool UnitDiff::Same() const
{
    return records.isEmpty() && parameters.isEmpty() && accessDiffer.isEmpty() && tagsAdded.isEmpty()
        && tagsRemoved.isEmpty() && !tagOrderChanged;
}

int UnitDiff::RecordsAdded() const
{
    return int(std::count_if(records.begin(), records.end(),
                             [](const RecordChange &c) { return c.kind == RecordChange::Kind::Added; }));
}

int UnitDiff::RecordsRemoved() const
{
    return int(std::count_if(records.begin(), records.end(),
                             [](const RecordChange &c) { return c.kind == RecordChange::Kind::Removed; }));
}

int UnitDiff::RecordsChanged() const
{
    return int(std::count_if(records.begin(), records.end(),
                             [](const RecordChange &c) { return c.kind == RecordChange::Kind::Changed; }));
}

UnitDiff CompareUnit(const UnitBackup &unit, const UnitBackup &backup)
{
    UnitDiff diff;
    if (!backup.modelLine.isEmpty() && backup.modelLine != unit.modelLine)
        diff.notes.append(QStringLiteral("The backup was taken from a %1; the unit is a %2.")
                              .arg(QString::fromLatin1(backup.modelLine), QString::fromLatin1(unit.modelLine)));
    if (unit.directory && backup.directory) {
        std::optional<QHash<QByteArray, QByteArray>> unitTags;
        QList<TargetRecord> targets = TargetRecordsOfBackup(*backup.directory);
        if (unit.tags && backup.tags) {
            unitTags = boundTags(*unit.directory, *unit.tags);
            const QHash<QByteArray, QByteArray> backupTags = boundTags(*backup.directory, *backup.tags);
            for (TargetRecord &t : targets)
                t.tag = backupTags.value(t.record.addr.toUpper());
        }
        compareRecords(targets, *unit.directory, kAnyAddress, unitTags, diff);
        for (const BackupRecord &r : *backup.directory)
            if (unit.memoryLimit > 0 && !UsableAddress(r.addr, unit.memoryLimit)) {
                diff.notes.append(QStringLiteral("The backup's phone list does not fit this unit's directory: "
                                                 "it cannot be restored here."));
                break;
            }
    } else {
        diff.notes.append(QStringLiteral("The phone lists were not compared: only one side holds one."));
    }
    compareParameters(unit, backup, diff);
    compareAccess(unit, backup, diff);
    if (unit.tags && backup.tags)
        compareTags(*unit.tags, *backup.tags, true, diff);
    else
        diff.notes.append(QStringLiteral("The tags were not compared: only one side holds them."));
    return diff;
}

UnitDiff CompareParameterFields(const ParameterBlocks &unit, const ParameterFields &pc)
{
    UnitDiff diff;
    ParameterFields now;
    ShowParameterBlocks(unit, now);
    compareFields(now, pc, diff);
    return diff;
}

UnitDiff ComparePhoneList(const MemTable &table, const UnitBackup &unit, int memoryLimit)
{
    UnitDiff diff;
    const QList<BackupRecord> records = unit.directory.value_or(QList<BackupRecord>());
    std::optional<QHash<QByteArray, QByteArray>> unitTags;
    if (unit.tags)
        unitTags = boundTags(records, *unit.tags);
    compareRecords(TargetRecordsOfTable(table), records, memoryLimit, unitTags, diff);
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

QStringList DiffLines(const UnitDiff &diff)
{
    QStringList lines;
    if (!diff.records.isEmpty()) {
        lines.append(QStringLiteral("Phone list: %1 added, %2 removed, %3 changed")
                         .arg(diff.RecordsAdded())
                         .arg(diff.RecordsRemoved())
                         .arg(diff.RecordsChanged()));
        for (const RecordChange &c : diff.records)
            lines.append(recordLine(c));
    }
    if (!diff.parameters.isEmpty()) {
        lines.append(QStringLiteral("Parameters: %1 differ").arg(diff.parameters.size()));
        for (const FieldChange &f : diff.parameters)
            lines.append(QStringLiteral("  %1: %2 -> %3").arg(f.label, text(f.unit), text(f.pc)));
    }
    if (!diff.accessDiffer.isEmpty())
        lines.append(QStringLiteral("PINs and emergency codes: %1 differ").arg(diff.accessDiffer.join(QStringLiteral(", "))));
    if (!diff.tagsAdded.isEmpty() || !diff.tagsRemoved.isEmpty() || diff.tagOrderChanged) {
        lines.append(QStringLiteral("Tags: %1 added, %2 removed%3")
                         .arg(diff.tagsAdded.size())
                         .arg(diff.tagsRemoved.size())
                         .arg(diff.tagOrderChanged ? QStringLiteral(", the same tags in another order") : QString()));
        for (const BackupTag &t : diff.tagsAdded)
            lines.append(QStringLiteral("  added   room %1 tag %2").arg(QString::fromLatin1(t.room), QString::fromLatin1(t.code)));
        for (const BackupTag &t : diff.tagsRemoved)
            lines.append(QStringLiteral("  removed room %1 tag %2").arg(QString::fromLatin1(t.room), QString::fromLatin1(t.code)));
    }
    if (diff.Same())
        lines.append(QStringLiteral("Nothing differs."));
    for (const QString &note : diff.notes)
        lines.append(QStringLiteral("Note: ") + note);
    return lines;
}

QJsonObject DiffToJson(const UnitDiff &diff)
{
    static const char *const kinds[] = {"added", "removed", "changed"};
    QJsonArray records;
    for (const RecordChange &c : diff.records) {
        QJsonArray fields;
        for (const FieldChange &f : c.fields)
            fields.append(fieldJson(f));
        QJsonObject o{{QStringLiteral("change"), QLatin1String(kinds[int(c.kind)])},
                      {QStringLiteral("addr"), QString::fromLatin1(c.addr)},
                      {QStringLiteral("name"), QString::fromLatin1(c.name)},
                      {QStringLiteral("room"), QString::fromLatin1(c.room)},
                      {QStringLiteral("fields"), fields}};
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
            {QStringLiteral("access"), QJsonArray::fromStringList(diff.accessDiffer)},
            {QStringLiteral("tags"), QJsonObject{{QStringLiteral("added"), tagsJson(diff.tagsAdded)},
                                                  {QStringLiteral("removed"), tagsJson(diff.tagsRemoved)},
                                                  {QStringLiteral("orderChanged"), diff.tagOrderChanged}}},
            {QStringLiteral("notes"), QJsonArray::fromStringList(diff.notes)}};
}

} // namespace porv
