#include "blockcompare.h"

#include <QHash>
#include <QSet>

#include <algorithm>

#include "backupparameters.h"
#include "blocks.h"
#include "codecs.h"
#include "failures.h"
#include "fields.h"
#include "image.h"
#include "tagcodes.h"
#include "unitmemory.h"

namespace porv {

namespace {

// Where each field's bytes sit: field -> (block, bytes).
using FieldPlaces = QHash<QByteArray, QList<QPair<QByteArray, QList<int>>>>;

const FieldPlaces &placesOfFields()
{
    static const FieldPlaces places = [] {
        FieldPlaces p;
        for (const ParameterBlockLayout &layout : ParameterBlockLayouts())
            for (const BlockField &f : FieldsOfParameterBlock(layout.block)) {
                QList<int> bytes;
                for (int i = 0; i < f.bytes; ++i)
                    bytes.append(f.firstByte + i);
                p[f.name].append({layout.block, bytes});
            }
        return p;
    }();
    return places;
}

// Byte positions of a block that differ and that no differing field shows.
int otherBytes(const ParameterBlockLayout &layout, const QByteArray &unit, const QByteArray &pc,
               const QSet<int> &explained)
{
    int n = 0;
    for (int i = 0; i < BlockBytes(layout, pc); ++i)
        if (!explained.contains(i) && BlockByteDiffers(layout, unit, pc, i))
            ++n;
    return n;
}

// The blocks a side's fields are decoded from: its own, and where it lacks
// one the unit's (so a block it does not hold shows no difference).
ParameterBlocks decodable(const ParameterBlocks &blocks, const ParameterBlocks &unit)
{
    ParameterBlocks out = unit;
    for (auto it = blocks.cbegin(); it != blocks.cend(); ++it)
        out.insert(it.key(), it.value());
    return out;
}

void compareImages(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff)
{
    ParameterFields now, then;
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
    for (const ComparedField &f : ComparedParameterFields()) {
        const QByteArray a = ComparedValue(now, f), b = ComparedValue(then, f);
        if (a != b)
            diff.parameters.append({f.name, f.label, a, b, std::nullopt});
    }
}

bool isBlock(const ParameterBlockLayout &layout, const char *block) { return qstrcmp(layout.block, block) == 0; }

} // namespace

void CompareParameterBlocks(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff)
{
    if (!unit.parameterBlocks || !backup.parameterBlocks) {
        if (unit.parameters && backup.parameters)
            compareImages(unit, backup, diff);
        else
            diff.notes.append(QStringLiteral("The parameters were not compared: only one side holds them."));
        return;
    }
    const ParameterBlocks &u = *unit.parameterBlocks;
    const ParameterBlocks &b = *backup.parameterBlocks;
    ParameterFields now, then;
    try {
        ShowParameterBlocks(u, now);
        ShowParameterBlocks(decodable(b, u), then);
    } catch (const ConversionError &) {
        diff.notes.append(QStringLiteral("The unit's parameter blocks were not read whole: they were not compared."));
        return;
    }
    QHash<QByteArray, QSet<int>> explained;
    for (const ComparedField &f : ComparedParameterFields()) {
        const QByteArray a = ComparedValue(now, f), c = ComparedValue(then, f);
        if (a == c)
            continue;
        diff.parameters.append({f.name, f.label, a, c, std::nullopt});
        for (const auto &[block, bytes] : placesOfFields().value(f.name))
            for (int i : bytes)
                explained[block].insert(i);
    }
    QStringList notHeld;
    for (const ParameterBlockLayout &layout : ParameterBlockLayouts()) {
        if (isBlock(layout, "0003"))
            continue; // the access codes' own part
        const auto pc = b.constFind(layout.block);
        const auto held = u.constFind(layout.block);
        if (pc == b.cend()) {
            notHeld.append(QString::fromLatin1(layout.block));
            continue;
        }
        if (held == u.cend())
            continue;
        const int n = otherBytes(layout, *held, *pc, explained.value(layout.block));
        if (n > 0)
            diff.parameterBytes.append({layout.block, n});
        const bool differs = held->left(pc->size()) != *pc;
        if (differs && layout.message && WritableMessage(*pc) != *pc)
            diff.parameterProblems.append(QStringLiteral("block %1: its control bytes are written as spaces")
                                              .arg(QLatin1String(layout.block)));
    }
    std::sort(diff.parameterBytes.begin(), diff.parameterBytes.end(),
              [](const BlockChange &x, const BlockChange &y) { return x.block < y.block; });
    if (!notHeld.isEmpty())
        diff.notes.append(QStringLiteral("The backup does not hold block(s) %1: not compared.")
                              .arg(notHeld.join(QStringLiteral(", "))));
    if (b.value("0002").size() < u.value("0002").size())
        diff.notes.append(QStringLiteral("The backup holds the divert times of block 0002 only: its other bytes "
                                         "were not compared."));
}

void CompareAccessBlock(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff)
{
    const std::optional<QByteArray> held = AccessBlockOfBackup(unit), pc = AccessBlockOfBackup(backup);
    if (!unit.access || !backup.access || !held || !pc) {
        diff.notes.append(QStringLiteral("The PINs and emergency codes were not compared: only one side holds them."));
        return;
    }
    const QList<QByteArray> now = unit.access->pins + unit.access->emergency;
    const QList<QByteArray> given = backup.access->pins + backup.access->emergency;
    QSet<int> explained;
    for (int i = 0; i < ComparedAccessFields().size() && i < now.size() && i < given.size(); ++i) {
        if (now.at(i) == given.at(i))
            continue;
        QString label = ComparedAccessFields().at(i).label;
        // The code is never shown: only that the unit cannot hold it as given.
        if (DecodeDigits(EncodePin(given.at(i))) != given.at(i))
            label += QStringLiteral(" (only its leading digits are stored)");
        diff.accessDiffer.append(label);
        for (int k = 0; k < 4; ++k)
            explained.insert(4 * i + k);
    }
    const int n = otherBytes(*FindParameterBlock("0003"), *held, *pc, explained);
    if (n > 0) {
        diff.parameterBytes.append({"0003", n});
        std::sort(diff.parameterBytes.begin(), diff.parameterBytes.end(),
                  [](const BlockChange &a, const BlockChange &b) { return a.block < b.block; });
    }
}

void CompareTagBlocks(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff)
{
    const std::optional<ParameterBlocks> held = TagBlocksOf(unit), pc = TagBlocksOf(backup);
    if (!held || !pc)
        return;
    const ParameterBlockLayout layout{"", kTagBlockDataLength, false};
    for (auto it = pc->cbegin(); it != pc->cend(); ++it) {
        const QByteArray now = held->value(it.key());
        if (now == it.value())
            continue;
        // A block whose entries differ is shown by the tags; one whose
        // entries are the same by its other bytes.
        if (TagsOfBlocks({{it.key(), now}}) != TagsOfBlocks({{it.key(), it.value()}}))
            continue;
        const int n = otherBytes(layout, now, it.value(), {});
        if (n > 0)
            diff.tagBytes.append({it.key(), n});
    }
}

void CompareFieldsWithPage(const ParameterBlocks &unit, const ParameterFields &pc, UnitDiff &diff)
{
    ParameterFields now;
    ShowParameterBlocks(unit, now);
    for (const ComparedField &f : ComparedParameterFields()) {
        const QByteArray a = ComparedValue(now, f), b = ComparedValue(pc, f);
        if (a != b)
            diff.parameters.append({f.name, f.label, a, b, std::nullopt});
    }
}

ParameterBlocks ParameterBlocksOfBackup(const UnitBackup &backup)
{
    if (backup.parameterBlocks)
        return *backup.parameterBlocks;
    ParameterBlocks blocks;
    if (!backup.parameters)
        return blocks;
    ParameterImage image;
    image.setBytes(*backup.parameters);
    ParameterFields fields;
    ControlsFromImage(image, fields); // an empty relay-2 text throws ConversionError
    blocks.insert("0001", GateCodesBlock(fields));
    blocks.insert("0012", MessageBlock12(fields));
    blocks.insert("0013", MessageBlock13(fields));
    blocks.insert("0014", MessageBlock14(fields));
    blocks.insert("0015", MessageBlock15(fields));
    blocks.insert("0008", SpeedDials1Block(fields));
    blocks.insert("0009", SpeedDials2Block(fields));
    return blocks;
}

std::optional<ParameterBlocks> TagBlocksOf(const UnitBackup &backup)
{
    if (backup.tagBlocks)
        return backup.tagBlocks;
    if (backup.tags)
        return TagBlocksOfTags(*backup.tags);
    return std::nullopt;
}

std::optional<QByteArray> AccessBlockOfBackup(const UnitBackup &backup)
{
    if (backup.parameterBlocks && backup.parameterBlocks->contains("0003"))
        return backup.parameterBlocks->value("0003");
    if (backup.access)
        return AccessBlockOf(*backup.access);
    return std::nullopt;
}

} // namespace porv
