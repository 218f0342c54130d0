#include "unitmemory.h"

#include <QHash>

#include "blocks.h"
#include "codecs.h"
#include "directorytable.h"
#include "fields.h"
#include "tagcodes.h"

namespace porv {

namespace {

constexpr char kErased = char(0xFF);

bool allDigits(const QByteArray &text, int width)
{
    if (text.size() > width)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool nibbleCharacters(const QByteArray &text)
{
    for (char c : text)
        if (c < '0' || c > '?')
            return false;
    return true;
}

QByteArray withoutFill(QByteArray chars)
{
    while (chars.endsWith('?'))
        chars.chop(1);
    return chars;
}

} // namespace

// --- directory records --------------------------------------------------------------

bool StoredRecord::operator==(const StoredRecord &o) const
{
    return room == o.room && code1 == o.code1 && code2 == o.code2 && spare == o.spare && phone == o.phone
        && name == o.name;
}

bool StoredRecord::Empty() const
{
    return room.isEmpty() && code1.isEmpty() && code2.isEmpty() && spare.isEmpty() && phone.isEmpty()
        && name.isEmpty();
}

BackupRecord RecordOfLine(const QByteArray &line)
{
    const DirectoryLine d = ParseDirectoryLine(line);
    BackupRecord r;
    r.addr = d.Addr.toUpper();
    r.name = d.Name;
    r.room = d.RoomNumber;
    r.phone = DecodeDigits(d.PHnumber);
    r.code1 = d.Code1;
    r.code2 = d.Code2;
    r.spare = d.spare;
    r.line = line;
    return r;
}

StoredRecord StoredOf(const BackupRecord &record)
{
    if (record.line.isEmpty())
        return StoredFormOfFields(record);
    const DirectoryLine d = ParseDirectoryLine(record.line);
    return {d.RoomNumber, d.Code1, d.Code2, d.spare, withoutFill(d.PHnumber), d.Name};
}

StoredRecord StoredFormOfFields(const BackupRecord &r)
{
    StoredRecord s;
    s.room = DigitsOnly(r.room, 6);
    s.code1 = DigitsOnly(r.code1, 4);
    s.code2 = DigitsOnly(r.code2, 4);
    s.spare = DigitsOnly(r.spare, 2);
    s.phone = EncodeUnitDigits(DialNumber(r.phone), 16);
    s.name = StorableName(r.name);
    return s;
}

QByteArray StorableName(const QByteArray &name)
{
    QByteArray out = name;
    const int erased = out.indexOf(kErased);
    if (erased >= 0)
        out.truncate(erased);
    for (char &c : out)
        if (uchar(c) < 0x20)
            c = ' ';
    return out.left(16);
}

QByteArray StoredField(const StoredRecord &s, const QByteArray &field)
{
    if (field == "room")
        return s.room;
    if (field == "code1")
        return s.code1;
    if (field == "code2")
        return s.code2;
    if (field == "spare")
        return s.spare;
    if (field == "phone")
        return DecodeDigits(s.phone);
    return s.name;
}

QByteArray StoredRecordData(const StoredRecord &s)
{
    return s.room + ',' + s.code1 + ',' + s.code2 + ',' + s.spare + ',' + s.phone + ',' + s.name;
}

QString StoredRecordProblem(const StoredRecord &s)
{
    struct Item {
        const QByteArray &value;
        int width;
        const char *what;
    };
    for (const Item &item : {Item{s.room, 6, "room number"}, Item{s.code1, 4, "relay 1 code"},
                             Item{s.code2, 4, "relay 2 code"}, Item{s.spare, 2, "spare value"}})
        if (!allDigits(item.value, item.width))
            return QStringLiteral("its %1 \"%2\" is not the unit's digits")
                .arg(QLatin1String(item.what), QString::fromLatin1(item.value));
    if (s.phone.size() > 16 || !nibbleCharacters(s.phone))
        return QStringLiteral("its phone number \"%1\" is not the unit's digit characters").arg(QString::fromLatin1(s.phone));
    if (s.name.size() > 16)
        return QStringLiteral("its name is longer than 16 characters");
    for (char c : s.name)
        if (uchar(c) < 0x20 || c == kErased)
            return QStringLiteral("its name holds %1, which is never sent to the unit").arg(CharacterName(c));
    if (s.Empty())
        return QStringLiteral("it holds nothing: writing it would erase its block");
    return QString();
}

// --- parameter blocks ----------------------------------------------------------------

const QList<BlockField> &FieldsOfParameterBlock(const QByteArray &block)
{
    static const QHash<QByteArray, QList<BlockField>> fields = [] {
        QHash<QByteArray, QList<BlockField>> f;
        QList<BlockField> settings;
        const char *const first[10] = {"Phs_ml", "Phs_sl", "Phs_rt", "Phs_run", "Phs_rc",
                                       "Sil_time", "Cont_time", "Phs_rv", "Phs_na", "Phs_lt"};
        for (int k = 0; k < 10; ++k)
            settings.append({first[k], k, 1});
        for (const char *name : {"rly2off", "rly2key", "rly2line", "rly2ring", "rly2tim"})
            settings.append({name, 12, 1});
        settings.append({"Phs_but", 13, 1});
        settings.append({"Phs_ls", 16, 1});
        // The LCD line 2 choice follows from both option bytes.
        for (const char *name : {"PS2_klmsg", "Divert4AllNA", "Divert4ButtsNA", "PS1_gacc", "PS1_pmsg", "PS1_sclk",
                                 "RadioButton1"})
            settings.append({name, 30, 1});
        for (const char *name : {"PS2_qx1c", "PS2_gcod", "PS2_grls", "Divert4All", "Divert4Butts", "PS2_srl1",
                                 "PS2_srl2", "PS2_mden", "RadioButton1"})
            settings.append({name, 31, 1});
        f.insert("0000", settings);
        auto row = [](std::initializer_list<const char *> names, int width) {
            QList<BlockField> out;
            int at = 0;
            for (const char *name : names) {
                out.append({name, at, width});
                at += width;
            }
            return out;
        };
        f.insert("0001", row({"code_g1", "code_g2", "code_ic1", "code_ic2", "code_sd1", "code_sd2"}, 4));
        f.insert("0002", row({"MaskEdit1", "MaskEdit2", "MaskEdit3", "MaskEdit4"}, 2));
        f.insert("0003", row({"NewPin", "NewPin2", "NewPin3", "NewPin4", "EmgyCode1", "EmgyCode2", "EmgyCode3",
                              "EmgyCode4"},
                             4));
        f.insert("0005", row({"divert1", "divert2", "AftHrs1", "AftHrs2"}, 8));
        f.insert("0008", row({"spd1", "spd2", "spd3", "spd4"}, 8));
        f.insert("0009", row({"spd5", "spd6", "spd7", "spd8"}, 8));
        f.insert("0012", row({"msg0", "msg1"}, 16));
        f.insert("0013", row({"msg2"}, 32));
        f.insert("0014", row({"msg3"}, 32));
        f.insert("0015", row({"msg4", "msg5"}, 16));
        return f;
    }();
    static const QList<BlockField> none;
    const auto it = fields.constFind(block);
    return it == fields.cend() ? none : *it;
}

int BlockBytes(const ParameterBlockLayout &layout, const QByteArray &data)
{
    return layout.message ? int(data.size()) : int(data.size() / 2);
}

bool BlockByteDiffers(const ParameterBlockLayout &layout, const QByteArray &a, const QByteArray &b, int index)
{
    const int width = layout.message ? 1 : 2;
    const int at = index * width;
    if (at + width > a.size() || at + width > b.size())
        return false;
    return a.mid(at, width) != b.mid(at, width);
}

QByteArray WritableMessage(const QByteArray &data)
{
    QByteArray out = data;
    for (char &c : out)
        if (uchar(c) < 0x20)
            c = ' ';
    return out;
}

QString ParameterBlockProblem(const ParameterBlockLayout &layout, const QByteArray &data)
{
    if (!ParameterBlockDataValid(layout, data))
        return QStringLiteral("block %1 is not %2 %3 characters")
            .arg(QLatin1String(layout.block))
            .arg(layout.length)
            .arg(layout.message ? QStringLiteral("message") : QStringLiteral("nibble"));
    return QString();
}

// --- access codes ----------------------------------------------------------------------

AccessCodes AccessCodesOfBlock(const QByteArray &data)
{
    ParameterFields fields;
    DecodePins(fields, {QByteArrayLiteral("0060:") + data});
    AccessCodes codes;
    for (int i = 0; i < PinFields().size(); ++i)
        (i < 4 ? codes.pins : codes.emergency).append(fields.text(PinFields().at(i)));
    return codes;
}

QByteArray AccessBlockOf(const AccessCodes &codes)
{
    QByteArray data;
    for (const QByteArray &code : codes.pins + codes.emergency)
        data += EncodePin(code);
    return data;
}

// --- tag blocks ---------------------------------------------------------------------------

QList<BackupTag> TagsOfBlocks(const ParameterBlocks &blocks)
{
    QList<BackupTag> tags;
    for (auto it = blocks.cbegin(); it != blocks.cend(); ++it)
        for (const TagEntry &e : TagEntriesOfLine(QByteArrayLiteral("0000:") + it.value()))
            tags.append({e.room, e.code});
    return tags;
}

ParameterBlocks TagBlocksOfTags(const QList<BackupTag> &tags)
{
    ParameterBlocks blocks;
    QList<QByteArray> entries;
    int block = kTagFirstBlock;
    for (const BackupTag &t : tags) {
        const QByteArray entry = TagEntryText(t.room, t.code);
        if (entry.isEmpty())
            continue;
        entries.append(entry);
        if (entries.size() == kTagEntriesPerBlock && block <= kTagLastBlock) {
            blocks.insert(TagBlockNumber(block++), TagBlockData(entries));
            entries.clear();
        }
    }
    if (!entries.isEmpty() && block <= kTagLastBlock)
        blocks.insert(TagBlockNumber(block++), TagBlockData(entries));
    for (; block <= kTagLastBlock; ++block)
        blocks.insert(TagBlockNumber(block), QByteArray(kTagBlockDataLength, '?'));
    return blocks;
}

bool TagBlockBlank(const QByteArray &data) { return data == QByteArray(kTagBlockDataLength, '?'); }

bool TagBlockDataValid(const QByteArray &data)
{
    return data.size() == kTagBlockDataLength && nibbleCharacters(data);
}

} // namespace porv
