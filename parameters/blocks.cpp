#include "blocks.h"

#include "codecs.h"
#include "fields.h"
#include "image.h"

namespace porv {

namespace {

const char kErased = char(0xFF);

// Byte k of the settings data as decimal text ("" when not even its first
// character arrived).
QByteArray settingsByte(const QByteArray &data, int k) { return NibblesToByte(data.mid(2 * k, 2)); }

// The same as a number: a byte that did not arrive is the conversion failure.
int settingsValue(const QByteArray &data, int k) { return ParseInteger(settingsByte(data, k)); }

void setDigits(ParameterFields &fields, const char *name, const ReplyLineList &lines, int line, int from, int width)
{
    fields.setText(QByteArray(name), DecodeDigits(CutField(lines, line, from, width)));
}

QByteArray digitField(const ParameterFields &fields, const char *name, int width)
{
    const QByteArray text = fields.text(QByteArray(name));
    return PadRight(EncodeDigits(text.left(width), width), width, '?');
}

QByteArray messageField(const ParameterFields &fields, const char *name, int width)
{
    // A message never runs into the next one, whatever the field holds.
    return PadRight(fields.text(QByteArray(name)).left(width), width, kErased);
}

} // namespace

QByteArray CutField(const ReplyLineList &lines, int line, int from, int width)
{
    const QByteArray text = (line >= 0 && line < lines.size()) ? lines.at(line) : QByteArray();
    return ErasedToNul(from >= 1 ? text.mid(from - 1, width) : QByteArray(), width);
}

const QList<QByteArray> &PinFields()
{
    static const QList<QByteArray> names = {"NewPin",    "NewPin2",   "NewPin3",   "NewPin4",
                                            "EmgyCode1", "EmgyCode2", "EmgyCode3", "EmgyCode4"};
    return names;
}

void DecodeSettings(ParameterFields &fields, const QByteArray &data)
{
    static const char *const first[10] = {"Phs_ml", "Phs_sl", "Phs_rt", "Phs_run", "Phs_rc",
                                           "Sil_time", "Cont_time", "Phs_rv", "Phs_na", "Phs_lt"};
    for (int k = 0; k < 10; ++k)
        fields.setText(QByteArray(first[k]), settingsByte(data, k));

    const int relay2 = settingsValue(data, 12);

    fields.setText("Phs_but", settingsByte(data, 13));
    fields.setText("Phs_ls", settingsByte(data, 16));

    ShowRelay2Boxes(fields, relay2);

    const int option1 = settingsValue(data, 30);
    fields.setChecked("PS2_klmsg", option1 & 0x01);
    fields.setChecked("Divert4AllNA", option1 & 0x04);
    fields.setChecked("PS1_gacc", option1 & 0x10);
    fields.setChecked("PS1_pmsg", option1 & 0x40);
    fields.setChecked("PS1_sclk", option1 & 0x80);

    const int option2 = settingsValue(data, 31);
    fields.setChecked("PS2_qx1c", option2 & 0x01);
    fields.setChecked("PS2_gcod", option2 & 0x02);
    fields.setChecked("PS2_grls", option2 & 0x04);
    if (option2 & 0x10)
        fields.setChecked("Divert4All", true);
    else
        fields.setChecked("Divert4Butts", true);
    fields.setChecked("PS2_srl1", option2 & 0x20);
    fields.setChecked("PS2_srl2", option2 & 0x40);
    fields.setChecked("PS2_mden", option2 & 0x80);

    fields.ShowGlobalCodesState();
}

void DecodeSettingsReply(ParameterFields &fields, const ReplyLineList &lines)
{
    DecodeSettings(fields, CutField(lines, 0, 6, 64));
}

void DecodeGateCodes(ParameterFields &fields, const ReplyLineList &lines)
{
    static const char *const codes[6] = {"code_g1", "code_g2", "code_ic1", "code_ic2", "code_sd1", "code_sd2"};
    for (int i = 0; i < 6; ++i)
        setDigits(fields, codes[i], lines, 0, 6 + 8 * i, 8);
}

void DecodeSpeedDials(ParameterFields &fields, const ReplyLineList &lines)
{
    static const char *const first[4] = {"spd1", "spd2", "spd3", "spd4"};
    static const char *const second[4] = {"spd5", "spd6", "spd7", "spd8"};
    for (int i = 0; i < 4; ++i)
        setDigits(fields, first[i], lines, 1, 6 + 16 * i, 16);
    for (int i = 0; i < 4; ++i)
        setDigits(fields, second[i], lines, 2, 6 + 16 * i, 16);
}

void DecodeDivertNumbers(ParameterFields &fields, const ReplyLineList &lines)
{
    static const char *const numbers[4] = {"divert1", "divert2", "AftHrs1", "AftHrs2"};
    for (int i = 0; i < 4; ++i)
        setDigits(fields, numbers[i], lines, 1, 6 + 16 * i, 16);
}

void DecodeDivertTimes(ParameterFields &fields, const ReplyLineList &lines)
{
    const QByteArray line = lines.isEmpty() ? QByteArray() : lines.at(0);
    fields.setText("Edit4", line.mid(5, 16));
    const QByteArray raw = fields.text("Edit4");
    static const char *const boxes[4] = {"MaskEdit1", "MaskEdit2", "MaskEdit3", "MaskEdit4"};
    for (int i = 0; i < 4; ++i)
        fields.setText(QByteArray(boxes[i]), FormatHourMinute(raw.mid(4 * i, 4)));
}

void DecodeMessages(ParameterFields &fields, const ReplyLineList &lines)
{
    fields.setText("msg0", CutField(lines, 1, 6, 16));
    fields.setText("msg1", CutField(lines, 1, 22, 16));
    fields.setText("msg2", CutField(lines, 2, 6, 32));
    fields.setText("msg3", CutField(lines, 3, 6, 32));
    fields.setText("msg4", CutField(lines, 4, 6, 16));
    fields.setText("msg5", CutField(lines, 4, 22, 16));
}

void DecodePins(ParameterFields &fields, const ReplyLineList &lines)
{
    for (int i = 0; i < 8; ++i)
        fields.setText(PinFields().at(i), DecodeDigits(CutField(lines, 0, 6 + 8 * i, 8)));
}

int FirstOptionByte(const ParameterFields &fields)
{
    int b = 0;
    if (fields.checked("PS2_klmsg"))
        b |= 0x01;
    if (fields.checked("Divert4AllNA"))
        b |= 0x04;
    if (fields.checked("PS1_gacc"))
        b |= 0x10;
    if (fields.checked("PS1_pmsg"))
        b |= 0x40;
    if (fields.checked("PS1_sclk"))
        b |= 0x80;
    return b;
}

int SecondOptionByte(const ParameterFields &fields)
{
    int b = 0;
    if (fields.checked("PS2_qx1c"))
        b |= 0x01;
    if (fields.checked("PS2_gcod"))
        b |= 0x02;
    if (fields.checked("PS2_grls"))
        b |= 0x04;
    if (fields.checked("Divert4All"))
        b |= 0x10;
    if (fields.checked("PS2_srl1"))
        b |= 0x20;
    if (fields.checked("PS2_srl2"))
        b |= 0x40;
    if (fields.checked("PS2_mden"))
        b |= 0x80;
    return b;
}

QByteArray EncodeSettings(ParameterFields &fields)
{
    struct Range {
        const char *name;
        int low, high;
    };
    static const Range ranges[12] = {
        {"Phs_run", 1, 99}, {"Phs_but", 1, 15}, {"Phs_rt", 1, 99}, {"Phs_sl", 0, 15},
        {"Phs_ml", 0, 15},  {"Phs_lt", 0, 9},   {"Phs_ls", 0, 50}, {"Phs_rc", 1, 35},
        {"Phs_na", 10, 99}, {"Phs_rv", 0, 7},   {"Sil_time", 0, 50}, {"Cont_time", 0, 99},
    };
    for (const Range &r : ranges) {
        const QByteArray name(r.name);
        fields.setText(name, ClampNumber(fields.text(name), r.low, r.high));
    }

    auto byte = [&](const char *name) { return ByteToNibbles(fields.text(QByteArray(name))); };
    QByteArray data;
    for (const char *name : {"Phs_ml", "Phs_sl", "Phs_rt", "Phs_run", "Phs_rc", "Sil_time", "Cont_time",
                             "Phs_rv", "Phs_na", "Phs_lt"})
        data += byte(name);
    data += "05";
    data += "00";
    data += Relay2Value(fields);
    data += byte("Phs_but");
    data += "20";
    data += "00";
    data += byte("Phs_ls");
    data += QByteArray(26, '0');
    data += ByteToNibbles(QByteArray::number(FirstOptionByte(fields)));
    data += ByteToNibbles(QByteArray::number(SecondOptionByte(fields)));
    return data;
}

QByteArray GateCodesBlock(const ParameterFields &fields)
{
    QByteArray data;
    for (const char *name : {"code_g1", "code_g2", "code_ic1", "code_ic2", "code_sd1", "code_sd2"})
        data += EncodePin(fields.text(QByteArray(name)));
    return PadRight(data, 64, '?');
}

QByteArray DivertTimesBlock(const ParameterFields &fields)
{
    QByteArray data;
    for (const char *name : {"time1s", "time1e", "time2s", "time2e"})
        data += digitField(fields, name, 4);
    return data;
}

QByteArray DivertNumbersBlock(const ParameterFields &fields)
{
    QByteArray data;
    for (const char *name : {"divert1", "divert2", "AftHrs1", "AftHrs2"})
        data += digitField(fields, name, 16);
    return data;
}

QByteArray SpeedDials1Block(const ParameterFields &fields)
{
    QByteArray data;
    for (const char *name : {"spd1", "spd2", "spd3", "spd4"})
        data += digitField(fields, name, 16);
    return data;
}

QByteArray SpeedDials2Block(const ParameterFields &fields)
{
    QByteArray data;
    for (const char *name : {"spd5", "spd6", "spd7", "spd8"})
        data += digitField(fields, name, 16);
    return data;
}

QByteArray MessageBlock12(const ParameterFields &fields)
{
    return messageField(fields, "msg0", 16) + messageField(fields, "msg1", 16);
}

QByteArray MessageBlock13(const ParameterFields &fields) { return messageField(fields, "msg2", 32); }

QByteArray MessageBlock14(const ParameterFields &fields) { return messageField(fields, "msg3", 32); }

QByteArray MessageBlock15(const ParameterFields &fields)
{
    return messageField(fields, "msg4", 16) + messageField(fields, "msg5", 16);
}

QByteArray PinBlock(const ParameterFields &fields)
{
    QByteArray data;
    for (const QByteArray &name : PinFields())
        data += EncodePin(fields.text(name));
    return data;
}

} // namespace porv
