#include "unit_seed.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>

namespace qx4 {

namespace {

const char *const kSurnames[] = {
    "SMITH",   "JONES",   "TAYLOR",  "BROWN",   "WILLIAMS", "WILSON",  "JOHNSON", "DAVIES",  "ROBINSON",
    "WRIGHT",  "THOMPSON", "EVANS",  "WALKER",  "WHITE",    "ROBERTS", "GREEN",   "HALL",    "WOOD",
    "JACKSON", "CLARKE",  "PATEL",   "KHAN",    "LEWIS",    "JAMES",   "PHILLIPS", "MASON",  "MITCHELL",
    "ROSE",    "DAVIS",   "RODGERS", "STEVENS", "MARSH",    "CARTER",  "HUGHES",  "EDWARDS", "BAKER",
    "COLE",    "MURPHY",  "NOLAN",   "FERREIRA", "SILVA",   "COSTA",   "NOVAK",   "MULLER",  "ROSSI",
    "GARCIA",  "DUBOIS",  "LEE",     "CHEN",    "NGUYEN",   "ADAMS",   "BELL",    "GRANT",   "PRICE",
};
const char *const kOkSurnames[] = {"BROOKS", "OKAFOR", "COOK", "OKONKWO", "BROOKE", "HOOKER"};
const char kInitials[] = "ABCDEFGHIJLMNPRSTW";

QByteArray randomDigits(QRandomGenerator &rng, int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += char('0' + rng.bounded(10));
    return out;
}

// A telephone number in unit digit characters, '?'-filled to 16.
QByteArray randomPhone(QRandomGenerator &rng)
{
    QByteArray digits;
    switch (rng.bounded(8)) {
    case 0: digits = "9<0" + randomDigits(rng, 9); break;           // outside line, pause
    case 1: digits = randomDigits(rng, 4); break;                   // extension
    case 2: digits = ":" + randomDigits(rng, 3) + ";"; break;       // star code
    default: digits = "0" + randomDigits(rng, 9); break;
    }
    digits.append(QByteArray(16 - digits.size(), '?'));
    return digits;
}

QByteArray hexOf(const QByteArray &bytes) { return bytes.toHex().toUpper(); }

} // namespace

void seedParameters(SimulatedUnit &unit, const QByteArray &pin)
{
    for (int b = kParameterFirst; b <= kParameterLast; ++b)
        unit.setBlock(b, QByteArray());
    // Settings: mic 1, speaker 3, relay 5 s, run 3 min, 2 rings, silence 20,
    // tone 20, ring volume 3, no-answer 15 s, lift 0; options: switch off after
    // gate release, modem enabled.
    QByteArray settings = QByteArray::fromHex("010305030214140" "30F000500000120" "0014");
    settings.append(QByteArray(13, char(0x00)));
    settings.append(char(0x00));
    settings.append(char(0x84));
    unit.setBlock(0, settings);

    auto digitBlock = [](const QList<QByteArray> &fields, int width) {
        QByteArray chars;
        for (const QByteArray &f : fields)
            chars += f.left(width) + QByteArray(width - std::min<int>(width, f.size()), '?');
        QByteArray bytes;
        for (int i = 0; i + 1 < chars.size() && bytes.size() < kBlockSize; i += 2)
            bytes += char((((chars.at(i) - 0x30) & 0x0F) << 4) | ((chars.at(i + 1) - 0x30) & 0x0F));
        return bytes;
    };
    unit.setBlock(1, digitBlock({"1234", "5678", "", "", "", ""}, 8));
    unit.setBlock(2, digitBlock({"1800", "0800", "0000", "0000"}, 4));
    QByteArray pinDigits;
    for (char c : pin) {
        if (c < '0' || c > '9' || pinDigits.size() == 8)
            break;
        pinDigits += c;
    }
    unit.setBlock(3, digitBlock({pinDigits, "", "", "", "12345678", "", "", ""}, 8));
    unit.setBlock(5, digitBlock({"0211234567", "", "", ""}, 16));
    unit.setBlock(8, digitBlock({"36001", "36002", "36003", "36004"}, 16));
    unit.setBlock(9, digitBlock({"36005", "36006", "36007", "36008"}, 16));
    auto message = [](const QByteArray &text, int width) {
        return text.left(width) + QByteArray(width - std::min<int>(width, text.size()), char(0xFF));
    };
    unit.setBlock(12, message("WELCOME", 16) + message("PRESS BUTTON", 16));
    unit.setBlock(13, message("PLEASE ENTER ROOM NUMBER", 32));
    unit.setBlock(14, message("", 32));
    unit.setBlock(15, message("CALLING", 16) + message("PLEASE WAIT", 16));
}

void seedUnit(SimulatedUnit &unit, const SeedOptions &o)
{
    QRandomGenerator rng(o.seed);
    unit.setModel(o.model);
    unit.setPin(o.pin);
    for (int b = 0; b < kBlockCount; ++b)
        unit.setBlock(b, QByteArray());
    seedParameters(unit, o.pin);

    // Directory: records at consecutive blocks from 0x1000, in name order as a
    // full upload leaves them; rooms are unique.
    const int capacity = unit.lastDirectoryBlock() - kDirectoryFirst + 1;
    const int count = std::clamp(o.records, 0, std::max(0, capacity));
    QList<QByteArray> names;
    QSet<QByteArray> used;
    int okIndex = 0;
    while (names.size() < count) {
        QByteArray surname;
        if (o.okNames && (names.size() % 7 == 3) && okIndex < 1000) {
            surname = kOkSurnames[okIndex++ % int(std::size(kOkSurnames))];
        } else {
            surname = kSurnames[rng.bounded(int(std::size(kSurnames)))];
        }
        QByteArray name = surname + ' ' + kInitials[rng.bounded(int(sizeof(kInitials) - 1))];
        if (used.contains(name))
            name += QByteArray::number(names.size());
        name = name.left(16);
        if (used.contains(name))
            continue;
        used.insert(name);
        names.append(name);
    }
    std::sort(names.begin(), names.end());
    QList<QByteArray> rooms;
    for (int i = 0; i < count; ++i) {
        DirectoryRecord r;
        r.block = kDirectoryFirst + i;
        r.room = QByteArray::number(101 + (i / 20) * 100 + (i % 20));
        r.code1 = rng.bounded(5) == 0 ? QByteArray() : randomDigits(rng, 4);
        r.code2 = rng.bounded(3) == 0 ? QByteArray() : randomDigits(rng, 4);
        r.spare = QByteArray();
        r.phone = randomPhone(rng);
        r.name = names.at(i);
        unit.setDirectoryRecord(r);
        rooms.append(r.room);
    }

    // Tags, bound to rooms of the directory (or invented rooms without one).
    QList<SimulatedUnit::TagEntry> tags;
    const int tagCount = std::clamp(o.tags, 0, (kTagLast - kTagFirst + 1) * 4);
    for (int i = 0; i < tagCount; ++i) {
        const QByteArray room = rooms.isEmpty() ? QByteArray::number(900 + i) : rooms.at(i % rooms.size());
        QByteArray code;
        for (int k = 0; k < 10; ++k)
            code += "0123456789ABCDEF"[rng.bounded(16)];
        // A leading F nibble marks an empty slot: such a code would be stored
        // but never listed.
        if (code.startsWith('F'))
            code[0] = 'E';
        tags.append({room, code});
    }
    unit.setTagEntries(tags);

    // Events over the last days, earliest first.
    QList<UnitEvent> events;
    const int eventCount = std::clamp(o.events, 0, SimulatedUnit::kMaxEvents);
    // Events at most 90 minutes apart, the last one before now.
    QDateTime when = unit.clock().addSecs(-qint64(eventCount) * 5400 - 60);
    const QList<DirectoryRecord> records = unit.directoryRecords();
    for (int i = 0; i < eventCount; ++i) {
        UnitEvent ev;
        const int kind = rng.bounded(10);
        if (kind == 0) {
            ev.origin = UnitEvent::Origin::InCall;
        } else if (kind == 1) {
            ev.origin = UnitEvent::Origin::Button;
            ev.button = 1 + rng.bounded(8);
        } else if (!records.isEmpty()) {
            const DirectoryRecord &r = records.at(rng.bounded(int(records.size())));
            ev.room = r.room;
            ev.client = r.name;
        } else {
            ev.room = QByteArray::number(101 + rng.bounded(50));
        }
        ev.when = QDateTime(when.date(), QTime(when.time().hour(), when.time().minute(), when.time().second()));
        ev.relay = rng.bounded(4) == 0 ? '2' : '1';
        ev.setBy = "0012"[rng.bounded(4)];
        events.append(ev);
        when = when.addSecs(600 + rng.bounded(4800));
    }
    unit.setEvents(events);
    if (o.oddities)
        seedOddities(unit);
}

namespace {

// Nibble characters ('0'-'?') packed into the bytes of a block, from byte `at`.
void setNibbles(SimulatedUnit &unit, int number, int at, const QByteArray &chars)
{
    QByteArray bytes = unit.block(number);
    for (int i = 0; i + 1 < chars.size(); i += 2)
        bytes[at + i / 2] = char((((chars.at(i) - 0x30) & 0x0F) << 4) | ((chars.at(i + 1) - 0x30) & 0x0F));
    unit.setBlock(number, bytes);
}

} // namespace

void seedOddities(SimulatedUnit &unit)
{
    QList<DirectoryRecord> records = unit.directoryRecords();
    if (records.size() >= 4) {
        DirectoryRecord &comma = records[1];
        const int space = int(comma.name.indexOf(' '));
        comma.name = (space > 0 ? comma.name.left(space) + ", " + comma.name.mid(space + 1) : comma.name + ",").left(16);
        records[2].phone = "0=>1234?????????";
        records[3].phone = "0123?456????????";
        for (int i = 1; i < 4; ++i)
            unit.setDirectoryRecord(records.at(i));
    }

    QByteArray settings = unit.block(0);
    settings[10] = char(0x07);
    settings[11] = char(0x01);
    settings[14] = char(0x33);
    settings[15] = char(0x44);
    for (int k = 17; k <= 29; ++k)
        settings[k] = char(k - 6);
    settings[30] = char(uchar(settings.at(30)) | 0x02 | 0x08 | 0x20);
    settings[31] = char(uchar(settings.at(31)) | 0x08);
    unit.setBlock(0, settings);

    setNibbles(unit, 1, 8, "12?4????");
    setNibbles(unit, 1, 24, "0123456789:;<=>?");
    setNibbles(unit, 2, 8, "010203040506070809101112131415161718192021222324");
    setNibbles(unit, 3, 20, "9?1?????");
    setNibbles(unit, 8, 0, "36001?99????????");
    for (int number : {4, 6, 7, 10, 11}) {
        QByteArray bytes(kBlockSize, char(0xFF));
        for (int i = 0; i < kBlockSize; i += 3)
            bytes[i] = char((number * 16 + i) & 0xFF);
        unit.setBlock(number, bytes);
    }
    QByteArray message = QByteArray("HELLO\x07WORLD") + char(0xFF) + "XY";
    message.append(QByteArray(kBlockSize - message.size(), char(0xFF)));
    unit.setBlock(14, message);
    setNibbles(unit, kTagLast, 0, "555????000000000");
}

// --- state file -------------------------------------------------------------

bool saveState(const SimulatedUnit &unit, const QString &path, QString *error)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), QStringLiteral("qx4-unit-state 1"));
    root.insert(QStringLiteral("model"), int(unit.model()));
    root.insert(QStringLiteral("modelLine"), QString::fromLatin1(unit.modelLine()));
    root.insert(QStringLiteral("memoryLimit"), unit.memoryLimit());
    root.insert(QStringLiteral("pin"), QString::fromLatin1(hexOf(unit.pin())));
    root.insert(QStringLiteral("clockOffset"), double(unit.clockOffsetSeconds()));
    QJsonObject blocks;
    const QByteArray blank(kBlockSize, char(0xFF));
    for (int b = 0; b < kBlockCount; ++b) {
        const QByteArray bytes = unit.block(b);
        if (bytes != blank)
            blocks.insert(QString::number(b), QString::fromLatin1(hexOf(bytes)));
    }
    root.insert(QStringLiteral("blocks"), blocks);
    QJsonArray events;
    for (const UnitEvent &ev : unit.events()) {
        QJsonObject e;
        e.insert(QStringLiteral("origin"), int(ev.origin));
        e.insert(QStringLiteral("room"), QString::fromLatin1(ev.room));
        e.insert(QStringLiteral("button"), ev.button);
        e.insert(QStringLiteral("when"), ev.when.toString(Qt::ISODate));
        e.insert(QStringLiteral("relay"), QString(QChar::fromLatin1(ev.relay)));
        e.insert(QStringLiteral("setBy"), QString(QChar::fromLatin1(ev.setBy)));
        e.insert(QStringLiteral("client"), QString::fromLatin1(hexOf(ev.client)));
        events.append(e);
    }
    root.insert(QStringLiteral("events"), events);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(QJsonDocument(root).toJson());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool loadState(SimulatedUnit &unit, const QString &path, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    constexpr qint64 kMaxStateFile = 8 * 1024 * 1024;
    if (file.size() > kMaxStateFile)
        return fail(QStringLiteral("state file too large"));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxStateFile), &parseError);
    if (doc.isNull() || !doc.isObject())
        return fail(QStringLiteral("not a state file: ") + parseError.errorString());
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != QStringLiteral("qx4-unit-state 1"))
        return fail(QStringLiteral("not a state file of this layout"));

    const int modelValue = root.value(QStringLiteral("model")).toInt(-1);
    if (modelValue < int(Model::Qx4_100) || modelValue > int(Model::Unknown))
        return fail(QStringLiteral("bad model"));
    const Model model = Model(modelValue);
    const QByteArray pin = QByteArray::fromHex(root.value(QStringLiteral("pin")).toString().toLatin1());

    // Check everything before changing the unit.
    QList<QPair<int, QByteArray>> blocks;
    const QJsonObject blockObject = root.value(QStringLiteral("blocks")).toObject();
    for (auto it = blockObject.begin(); it != blockObject.end(); ++it) {
        bool ok = false;
        const int b = it.key().toInt(&ok);
        const QByteArray hex = it.value().toString().toLatin1();
        const QByteArray bytes = QByteArray::fromHex(hex);
        if (!ok || b < 0 || b >= kBlockCount || hex.size() != 2 * kBlockSize || bytes.size() != kBlockSize)
            return fail(QStringLiteral("bad block ") + it.key());
        blocks.append({b, bytes});
    }
    QList<UnitEvent> events;
    const QJsonArray eventArray = root.value(QStringLiteral("events")).toArray();
    if (eventArray.size() > SimulatedUnit::kMaxEvents)
        return fail(QStringLiteral("too many events"));
    for (const QJsonValue &v : eventArray) {
        const QJsonObject e = v.toObject();
        UnitEvent ev;
        const int origin = e.value(QStringLiteral("origin")).toInt(-1);
        if (origin < 0 || origin > int(UnitEvent::Origin::InCall))
            return fail(QStringLiteral("bad event"));
        ev.origin = UnitEvent::Origin(origin);
        ev.room = e.value(QStringLiteral("room")).toString().toLatin1().left(6);
        ev.button = std::clamp(e.value(QStringLiteral("button")).toInt(1), 0, 9);
        ev.when = QDateTime::fromString(e.value(QStringLiteral("when")).toString(), Qt::ISODate);
        const QByteArray relay = e.value(QStringLiteral("relay")).toString().toLatin1();
        const QByteArray setBy = e.value(QStringLiteral("setBy")).toString().toLatin1();
        if (!ev.when.isValid() || relay.size() != 1 || setBy.size() != 1)
            return fail(QStringLiteral("bad event"));
        ev.relay = relay.at(0);
        ev.setBy = setBy.at(0);
        ev.client = QByteArray::fromHex(e.value(QStringLiteral("client")).toString().toLatin1()).left(16);
        events.append(ev);
    }

    unit.setModel(model);
    if (model == Model::Unknown)
        unit.setUnknownModel(root.value(QStringLiteral("modelLine")).toString().toLatin1().left(64),
                             root.value(QStringLiteral("memoryLimit")).toInt(0x2A00));
    unit.setPin(pin);
    unit.setClockOffsetSeconds(qint64(root.value(QStringLiteral("clockOffset")).toDouble()));
    for (int b = 0; b < kBlockCount; ++b)
        unit.setBlock(b, QByteArray());
    for (const auto &[b, bytes] : blocks)
        unit.setBlock(b, bytes);
    unit.setEvents(events);
    return true;
}

} // namespace qx4
