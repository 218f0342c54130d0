// The reader of the unit backup file: every member checked, with its range,
// before anything of the file is used.
#include "unitbackup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <cctype>
#include <cmath>

#include "backupformat.h"
#include "directorytable.h"
#include "tagcodes.h"
#include "unitmemory.h"
#include "failures.h"
#include "savefile.h"

namespace porv {

// --- reading ----------------------------------------------------------------------------

namespace {

using namespace backupformat;

// A member that is not what the format says ends the read; its message names
// where in the document it is.
struct Damaged {
    QString what;
};

[[noreturn]] void damaged(const QString &where, const QString &problem)
{
    throw Damaged{QStringLiteral("\"%1\" %2").arg(where, problem)};
}

QByteArray latin1(const QJsonValue &v, const QString &where, int maxBytes = -1)
{
    if (!v.isString())
        damaged(where, QStringLiteral("is not a text"));
    const QString s = v.toString();
    for (QChar c : s)
        if (c.unicode() > 0xFF)
            damaged(where, QStringLiteral("holds a character that is no byte (U+%1)")
                               .arg(c.unicode(), 4, 16, QLatin1Char('0')));
    if (maxBytes >= 0 && s.size() > maxBytes)
        damaged(where, QStringLiteral("is longer than %1 characters").arg(maxBytes));
    return s.toLatin1();
}

QJsonObject object(const QJsonValue &v, const QString &where)
{
    if (!v.isObject())
        damaged(where, QStringLiteral("is not an object"));
    return v.toObject();
}

QJsonArray array(const QJsonValue &v, const QString &where)
{
    if (!v.isArray())
        damaged(where, QStringLiteral("is not a list"));
    return v.toArray();
}

// A member that is there and not null.
bool present(const QJsonObject &o, const char *key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return !v.isUndefined() && !v.isNull();
}

bool isHexDigits(const QByteArray &text, int count)
{
    if (text.size() != count)
        return false;
    for (char c : text)
        if (!std::isxdigit(uchar(c)))
            return false;
    return true;
}

QString at(const char *list, qsizetype index) { return QStringLiteral("%1[%2]").arg(QLatin1String(list)).arg(index); }

QList<QByteArray> fixedList(const QJsonValue &v, const QString &where, int count, int width)
{
    const QJsonArray a = array(v, where);
    if (a.size() != count)
        damaged(where, QStringLiteral("does not hold %1 entries").arg(count));
    QList<QByteArray> out;
    for (qsizetype i = 0; i < a.size(); ++i)
        out.append(latin1(a.at(i), QStringLiteral("%1[%2]").arg(where).arg(i), width));
    return out;
}

void readUnit(const QJsonObject &doc, UnitBackup &b)
{
    if (present(doc, "taken")) {
        const QJsonValue v = doc.value(QStringLiteral("taken"));
        if (!v.isString())
            damaged(QStringLiteral("taken"), QStringLiteral("is not a text"));
        b.taken = QDateTime::fromString(v.toString(), Qt::ISODate);
        if (!b.taken.isValid())
            damaged(QStringLiteral("taken"), QStringLiteral("is not a date and time"));
        b.taken = b.taken.toUTC();
    }
    if (!present(doc, "unit"))
        return;
    const QJsonObject unit = object(doc.value(QStringLiteral("unit")), QStringLiteral("unit"));
    if (present(unit, "modelLine"))
        b.modelLine = latin1(unit.value(QStringLiteral("modelLine")), QStringLiteral("unit.modelLine"));
    if (present(unit, "memoryLimit")) {
        const QByteArray limit =
            latin1(unit.value(QStringLiteral("memoryLimit")), QStringLiteral("unit.memoryLimit"));
        if (!isHexDigits(limit, 4))
            damaged(QStringLiteral("unit.memoryLimit"), QStringLiteral("is not four hexadecimal digits"));
        b.memoryLimit = limit.toInt(nullptr, 16);
    }
    if (present(unit, "connection")) {
        const QJsonValue v = unit.value(QStringLiteral("connection"));
        if (!v.isString())
            damaged(QStringLiteral("unit.connection"), QStringLiteral("is not a text"));
        b.connection = v.toString();
    }
    if (present(unit, "clock"))
        b.clock = latin1(unit.value(QStringLiteral("clock")), QStringLiteral("unit.clock"), 32);
}

void readDirectory(const QJsonObject &doc, int version, UnitBackup &b)
{
    if (!present(doc, "directory"))
        return;
    const QJsonArray records = array(doc.value(QStringLiteral("directory")), QStringLiteral("directory"));
    QList<BackupRecord> out;
    QSet<QByteArray> seen;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QString where = at("directory", i);
        const QJsonObject o = object(records.at(i), where);
        BackupRecord r;
        if (!present(o, "addr"))
            damaged(where, QStringLiteral("has no address"));
        r.addr = latin1(o.value(QStringLiteral("addr")), where + QStringLiteral(".addr")).toUpper();
        if (!isHexDigits(r.addr, 4))
            damaged(where + QStringLiteral(".addr"), QStringLiteral("is not four hexadecimal digits"));
        if (seen.contains(r.addr))
            damaged(where + QStringLiteral(".addr"), QStringLiteral("repeats the address %1").arg(QLatin1String(r.addr)));
        seen.insert(r.addr);
        for (const RecordMember &m : kRecordMembers)
            if (present(o, m.key))
                r.*m.field = latin1(o.value(QLatin1String(m.key)), where + QLatin1Char('.') + QLatin1String(m.key),
                                    m.width);
        // The record line the fields were read from: they must be its own,
        // since a restore writes the line's items.
        if (version >= 2 && present(o, "line")) {
            const QString lineWhere = where + QStringLiteral(".line");
            r.line = latin1(o.value(QStringLiteral("line")), lineWhere, kMaxRecordLine);
            if (!IsDirectoryRecordLine(r.line))
                damaged(lineWhere, QStringLiteral("is not a record line of the unit's list"));
            BackupRecord fields = r;
            fields.line.clear();
            BackupRecord ofLine = RecordOfLine(r.line);
            ofLine.line.clear();
            if (ofLine != fields)
                damaged(where, QStringLiteral("does not hold the fields of its \"line\""));
        }
        out.append(r);
    }
    b.directory = out;
}

// Parameter or tag blocks by number: those of `layouts` that are there, each
// checked; `all` requires every one.
ParameterBlocks blocksOf(const QJsonObject &o, const QString &member, const QList<ParameterBlockLayout> &layouts,
                         bool all)
{
    ParameterBlocks blocks;
    for (const ParameterBlockLayout &layout : layouts) {
        const QString where = QStringLiteral("%1.%2").arg(member, QLatin1String(layout.block));
        if (!present(o, layout.block)) {
            if (all)
                damaged(where, QStringLiteral("is missing"));
            continue;
        }
        const QByteArray data = latin1(o.value(QLatin1String(layout.block)), where);
        if (!ParameterBlockDataValid(layout, data))
            damaged(where, layout.message ? QStringLiteral("is not %1 message characters").arg(layout.length)
                                        : QStringLiteral("is not %1 nibble characters").arg(layout.length));
        blocks.insert(layout.block, data);
    }
    return blocks;
}

void readParameters(const QJsonObject &doc, int version, UnitBackup &b)
{
    if (present(doc, "parameters")) {
        const QByteArray hex = latin1(doc.value(QStringLiteral("parameters")), QStringLiteral("parameters"));
        if (!isHexDigits(hex, 2 * kImageSize))
            damaged(QStringLiteral("parameters"), QStringLiteral("is not %1 hexadecimal digits").arg(2 * kImageSize));
        b.parameters = QByteArray::fromHex(hex);
    }
    if (present(doc, "parameterBlocks")) {
        const QJsonObject o = object(doc.value(QStringLiteral("parameterBlocks")), QStringLiteral("parameterBlocks"));
        if (version == 1) {
            // As version 1 wrote them: the ten blocks the pages write, the
            // messages without control bytes.
            b.parameterBlocks = blocksOf(o, QStringLiteral("parameterBlocks"), Version1ParameterBlocks(), true);
            for (auto it = b.parameterBlocks->cbegin(); it != b.parameterBlocks->cend(); ++it)
                if (FindParameterBlock(it.key())->message && WritableMessage(it.value()) != it.value())
                    damaged(QStringLiteral("parameterBlocks.") + QString::fromLatin1(it.key()),
                            QStringLiteral("is not 32 message characters"));
        } else {
            b.parameterBlocks = blocksOf(o, QStringLiteral("parameterBlocks"), ParameterBlockLayouts(), false);
        }
    }
    if (present(doc, "access")) {
        const QJsonObject o = object(doc.value(QStringLiteral("access")), QStringLiteral("access"));
        AccessCodes codes;
        codes.pins = fixedList(o.value(QStringLiteral("pins")), QStringLiteral("access.pins"), kAccessEntries,
                               kAccessWidth);
        codes.emergency = fixedList(o.value(QStringLiteral("emergency")), QStringLiteral("access.emergency"),
                                    kAccessEntries, kAccessWidth);
        b.access = codes;
        // The codes are never named in a message: only that they differ.
        const auto block = b.parameterBlocks ? b.parameterBlocks->constFind("0003") : ParameterBlocks::const_iterator();
        if (b.parameterBlocks && block != b.parameterBlocks->cend()) {
            const AccessCodes ofBlock = AccessCodesOfBlock(*block);
            if (ofBlock.pins != codes.pins || ofBlock.emergency != codes.emergency)
                damaged(QStringLiteral("access"), QStringLiteral("does not hold the codes of block 0003"));
        }
    }
}

// The 128 tag blocks, numbered as they are read.
const QList<ParameterBlockLayout> &tagBlockLayouts()
{
    static const QList<QByteArray> numbers = [] {
        QList<QByteArray> n;
        for (int block = kTagFirstBlock; block <= kTagLastBlock; ++block)
            n.append(TagBlockNumber(block));
        return n;
    }();
    static const QList<ParameterBlockLayout> layouts = [] {
        QList<ParameterBlockLayout> l;
        for (const QByteArray &n : numbers)
            l.append({n.constData(), kTagBlockDataLength, false});
        return l;
    }();
    return layouts;
}

void readTagsAndEvents(const QJsonObject &doc, int version, UnitBackup &b)
{
    if (present(doc, "tags")) {
        const QJsonArray tags = array(doc.value(QStringLiteral("tags")), QStringLiteral("tags"));
        if (tags.size() > kMaxTags)
            damaged(QStringLiteral("tags"), QStringLiteral("holds more than %1 tags").arg(kMaxTags));
        QList<BackupTag> out;
        for (qsizetype i = 0; i < tags.size(); ++i) {
            const QString where = at("tags", i);
            const QJsonObject o = object(tags.at(i), where);
            out.append({latin1(o.value(QStringLiteral("room")), where + QStringLiteral(".room"), kTagRoomWidth),
                        latin1(o.value(QStringLiteral("code")), where + QStringLiteral(".code"), kTagCodeWidth)});
        }
        b.tags = out;
    }
    if (version >= 2 && present(doc, "tagBlocks")) {
        const QJsonObject o = object(doc.value(QStringLiteral("tagBlocks")), QStringLiteral("tagBlocks"));
        b.tagBlocks = blocksOf(o, QStringLiteral("tagBlocks"), tagBlockLayouts(), true);
        if (b.tags && TagsOfBlocks(*b.tagBlocks) != *b.tags)
            damaged(QStringLiteral("tags"), QStringLiteral("are not the tags of \"tagBlocks\""));
    }
    if (present(doc, "events")) {
        const QJsonArray lines = array(doc.value(QStringLiteral("events")), QStringLiteral("events"));
        QList<QByteArray> out;
        out.reserve(lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            out.append(latin1(lines.at(i), at("events", i)));
        b.events = out;
    }
}

} // namespace

BackupReadResult BackupFromJson(const QByteArray &json, const QString &fileName)
{
    BackupReadResult result;
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("\"%1\" is damaged or cut short: %2 at byte %3.")
                           .arg(fileName, parse.errorString())
                           .arg(parse.offset);
        return result;
    }
    if (!doc.isObject()) {
        result.error = QStringLiteral("\"%1\" is not a unit backup.").arg(fileName);
        return result;
    }
    const QJsonObject o = doc.object();
    const QJsonValue format = o.value(QStringLiteral("format"));
    if (format.toString() != QLatin1String(kBackupFormat)) {
        result.error = format.isString()
                         ? QStringLiteral("\"%1\" is not a unit backup: its format is \"%2\".").arg(fileName, format.toString())
                         : QStringLiteral("\"%1\" is not a unit backup.").arg(fileName);
        return result;
    }
    // The version is checked as a number before it is taken as one: a huge
    // or broken one is refused as it stands.
    const QJsonValue version = o.value(QStringLiteral("version"));
    const double v = version.toDouble(-1);
    if (!version.isDouble() || !std::isfinite(v) || v < 1 || v != std::floor(v)) {
        result.error = QStringLiteral("\"%1\" is damaged: its version is not a whole number.").arg(fileName);
        return result;
    }
    if (v > kBackupVersion) {
        result.error = QStringLiteral("\"%1\" was written by a newer porv-pro (backup version %2); "
                                      "this one reads backups up to version %3.")
                           .arg(fileName, QString::number(v, 'g', 17))
                           .arg(kBackupVersion);
        return result;
    }
    const int fileVersion = int(v);
    try {
        UnitBackup b;
        readUnit(o, b);
        readDirectory(o, fileVersion, b);
        readParameters(o, fileVersion, b);
        readTagsAndEvents(o, fileVersion, b);
        result.backup = std::move(b);
    } catch (const Damaged &d) {
        result.error = QStringLiteral("\"%1\" is damaged: %2.").arg(fileName, d.what);
    }
    return result;
}

BackupReadResult LoadBackupFile(const QString &path)
{
    QByteArray bytes;
    try {
        bytes = ReadFileCapped(path);
    } catch (const FileError &e) {
        BackupReadResult result;
        result.error = e.message();
        return result;
    }
    return BackupFromJson(bytes, path);
}

} // namespace porv
