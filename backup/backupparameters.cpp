#include "backupparameters.h"

#include "blocks.h"
#include "fields.h"
#include "image.h"

namespace porv {

namespace {

// A read's block line: five characters (the unit's address text) before the data.
QByteArray blockLine(const ParameterBlocks &blocks, const char *block)
{
    return QByteArrayLiteral("0000:") + blocks.value(QByteArray(block));
}

// The labels a caption alone does not make plain.
QString labelOf(const FieldDescription &d)
{
    static const QHash<QByteArray, QString> spelled = {
        {"MaskEdit1", QStringLiteral("AfterHours No. 1 Start Time")},
        {"MaskEdit2", QStringLiteral("AfterHours No. 1 End Time")},
        {"MaskEdit3", QStringLiteral("AfterHours No. 2 Start Time")},
        {"MaskEdit4", QStringLiteral("AfterHours No. 2 End Time")},
        {"NewPin", QStringLiteral("PIN 1")},
        {"NewPin2", QStringLiteral("PIN 2")},
        {"NewPin3", QStringLiteral("PIN 3")},
        {"NewPin4", QStringLiteral("PIN 4")},
        {"EmgyCode1", QStringLiteral("Emergency code 1")},
        {"EmgyCode2", QStringLiteral("Emergency code 2")},
        {"EmgyCode3", QStringLiteral("Emergency code 3")},
        {"EmgyCode4", QStringLiteral("Emergency code 4")},
    };
    if (spelled.contains(d.name))
        return spelled.value(d.name);
    if (d.tab == TabRelayCodes)
        return d.caption + (d.name.endsWith('1') ? QStringLiteral(" (Relay1)") : QStringLiteral(" (Relay2)"));
    if ((d.kind == FieldKind::Radio || d.kind == FieldKind::Check) && !d.group.isEmpty())
        return d.group + QStringLiteral(": ") + d.caption;
    return d.caption;
}

QList<ComparedField> comparedFields(bool access)
{
    static const QList<QByteArray> leftOut = {"time1s", "time1e", "time2s", "time2e", "Edit4"};
    QList<ComparedField> out;
    for (const FieldDescription &d : ParameterFields::Descriptions()) {
        if (d.kind == FieldKind::Display || leftOut.contains(d.name) || (d.tab == TabAccessPin) != access)
            continue;
        out.append({d.name, labelOf(d), d.kind == FieldKind::Check || d.kind == FieldKind::Radio});
    }
    return out;
}

} // namespace

void ShowParameterBlocks(const ParameterBlocks &blocks, ParameterFields &fields)
{
    DecodeSettings(fields, blocks.value("0000"));
    DecodeGateCodes(fields, {blockLine(blocks, "0001")});
    DecodeSpeedDials(fields, {QByteArray(), blockLine(blocks, "0008"), blockLine(blocks, "0009")});
    DecodeDivertNumbers(fields, {QByteArray(), blockLine(blocks, "0005")});
    DecodeDivertTimes(fields, {blockLine(blocks, "0002")});
    DecodeMessages(fields, {QByteArray(), blockLine(blocks, "0012"), blockLine(blocks, "0013"),
                            blockLine(blocks, "0014"), blockLine(blocks, "0015")});
}

QByteArray ParameterImageOfBlocks(const ParameterBlocks &blocks)
{
    ParameterFields fields;
    ShowParameterBlocks(blocks, fields);
    ParameterImage image;
    ImageFromControls(fields, image);
    return image.bytes();
}

void ShowAccessCodes(const AccessCodes &codes, ParameterFields &fields)
{
    const QList<QByteArray> values = codes.pins + codes.emergency;
    for (int i = 0; i < PinFields().size() && i < values.size(); ++i)
        fields.setText(PinFields().at(i), values.at(i));
}

const QList<ComparedField> &ComparedParameterFields()
{
    static const QList<ComparedField> fields = comparedFields(false);
    return fields;
}

const QList<ComparedField> &ComparedAccessFields()
{
    static const QList<ComparedField> fields = comparedFields(true);
    return fields;
}

QByteArray ComparedValue(const ParameterFields &fields, const ComparedField &field)
{
    if (field.check)
        return fields.checked(field.name) ? QByteArrayLiteral("on") : QByteArrayLiteral("off");
    return fields.text(field.name);
}

} // namespace porv
