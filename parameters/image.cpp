#include "image.h"

#include <QFile>

#include "codecs.h"
#include "failures.h"
#include "fields.h"
#include "savefile.h"

namespace porv {

namespace {

QList<ImageSlot> buildSlots()
{
    QList<ImageSlot> s;
    s << ImageSlot{"code_g1", 0, 4} << ImageSlot{"code_g2", 5, 4}      // 10: reserved
      << ImageSlot{"code_ic1", 15, 4} << ImageSlot{"code_ic2", 20, 4}  // 25: reserved
      << ImageSlot{"code_sd1", 30, 4} << ImageSlot{"code_sd2", 35, 4}  // 40: reserved
      << ImageSlot{"msg0", 45, 16} << ImageSlot{"msg1", 62, 16}
      << ImageSlot{"msg4", 79, 16} << ImageSlot{"msg5", 96, 16}        // 113: reserved
      << ImageSlot{"msg2", 130, 32} << ImageSlot{"msg3", 163, 32}      // 196: reserved
      << ImageSlot{"Phs_run", 295, 2} << ImageSlot{"Phs_but", 298, 2}
      << ImageSlot{"Phs_rt", 301, 2} << ImageSlot{"Phs_sl", 304, 2}
      << ImageSlot{"Phs_ml", 307, 2} << ImageSlot{"Phs_lt", 310, 2}
      << ImageSlot{"Phs_ls", 313, 2} << ImageSlot{"Phs_na", 316, 2}
      << ImageSlot{"relay2", ParameterImage::Relay2Offset, 2}
      << ImageSlot{"PS2_srl1", 322, 0} << ImageSlot{"PS2_srl2", 323, 0}
      << ImageSlot{"PS2_grls", 324, 0} << ImageSlot{"PS2_mden", 325, 0}
      << ImageSlot{"PS1_gacc", 326, 0} << ImageSlot{"PS2_gcod", 327, 0}
      << ImageSlot{"PS1_pmsg", 328, 0} << ImageSlot{"PS1_sclk", 329, 0}; // 330: reserved
    for (int i = 0; i < 8; ++i)
        s << ImageSlot{"spd" + QByteArray::number(i + 1), 331 + 17 * i, 16};
    return s;
}

// The fields in the order the image is filled and read back.
const char *const kCodes[] = {"code_g1", "code_g2", "code_ic1", "code_ic2", "code_sd1", "code_sd2"};
const char *const kMessages[] = {"msg0", "msg1", "msg2", "msg3", "msg4", "msg5"};
const char *const kSettings[] = {"Phs_run", "Phs_but", "Phs_rt", "Phs_sl", "Phs_ml", "Phs_lt", "Phs_ls", "Phs_na"};
const char *const kFlags[] = {"PS2_srl1", "PS2_srl2", "PS2_grls", "PS2_mden",
                              "PS1_gacc", "PS2_gcod", "PS1_pmsg", "PS1_sclk"};
const char *const kSpeedDials[] = {"spd1", "spd2", "spd3", "spd4", "spd5", "spd6", "spd7", "spd8"};

const ImageSlot &slot(const char *name)
{
    const ImageSlot *s = ParameterImage::Slot(QByteArray(name));
    Q_ASSERT(s);
    return *s;
}

} // namespace

const QList<ImageSlot> &ParameterImage::Slots()
{
    static const QList<ImageSlot> table = buildSlots();
    return table;
}

const ImageSlot *ParameterImage::Slot(const QByteArray &name)
{
    for (const ImageSlot &s : Slots())
        if (s.name == name)
            return &s;
    return nullptr;
}

bool ParameterImage::IsReserved(int offset)
{
    for (const ImageSlot &s : Slots())
        if (offset >= s.offset && offset < s.offset + (s.capacity == 0 ? 1 : s.capacity + 1))
            return false;
    return offset >= 0 && offset < Size;
}

void ParameterImage::setBytes(const QByteArray &bytes)
{
    Q_ASSERT(bytes.size() == Size);
    if (bytes.size() == Size)
        m_bytes = bytes;
}

QByteArray ParameterImage::readText(int offset, int capacity) const
{
    if (offset < 0 || capacity < 0 || offset + capacity + 1 > Size)
        return QByteArray();
    const int length = std::min<int>(static_cast<unsigned char>(m_bytes[offset]), capacity);
    return m_bytes.mid(offset + 1, length);
}

void ParameterImage::writeText(int offset, int capacity, const QByteArray &text)
{
    if (offset < 0 || capacity < 0 || offset + capacity + 1 > Size)
        return;
    const QByteArray t = text.left(capacity);
    m_bytes[offset] = char(t.size());
    m_bytes.replace(offset + 1, t.size(), t);
}

bool ParameterImage::readFlag(int offset) const
{
    return offset >= 0 && offset < Size && m_bytes[offset] != '\0';
}

void ParameterImage::writeFlag(int offset, bool on)
{
    if (offset >= 0 && offset < Size)
        m_bytes[offset] = on ? '\1' : '\0';
}

QByteArray Relay2Value(ParameterFields &fields)
{
    int value = 0;
    if (fields.checked("rly2key"))
        value += 1;
    if (fields.checked("rly2line"))
        value += 2;
    if (fields.checked("rly2ring"))
        value += 4;
    if (fields.checked("rly2tim"))
        value += 8;
    fields.setChecked("rly2off", value == 0);
    return ByteToNibbles(QByteArray::number(value));
}

void ShowRelay2Boxes(ParameterFields &fields, int value)
{
    // The reverse of Relay2Value: each box from its bit, "Normal" when none is set.
    fields.setChecked("rly2key", value & 0x01);
    fields.setChecked("rly2line", value & 0x02);
    fields.setChecked("rly2ring", value & 0x04);
    fields.setChecked("rly2tim", value & 0x08);
    fields.setChecked("rly2off", (value & 0x0F) == 0);
}

void ShowRelay2Value(ParameterFields &fields, const QByteArray &text)
{
    ShowRelay2Boxes(fields, ParseInteger(NibblesToByte(text))); // empty text: ConversionError
}

void ImageFromControls(ParameterFields &fields, ParameterImage &image)
{
    auto putText = [&](const char *name) {
        const ImageSlot &s = slot(name);
        image.writeText(s.offset, s.capacity, fields.text(QByteArray(name)));
    };
    for (const char *name : kCodes)
        putText(name);
    for (const char *name : kMessages)
        putText(name);
    for (const char *name : kSettings)
        putText(name);
    image.writeText(ParameterImage::Relay2Offset, 2, Relay2Value(fields));
    for (const char *name : kFlags)
        image.writeFlag(slot(name).offset, fields.checked(QByteArray(name)));
    for (const char *name : kSpeedDials)
        putText(name);
}

void ControlsFromImage(const ParameterImage &image, ParameterFields &fields)
{
    auto getText = [&](const char *name) {
        const ImageSlot &s = slot(name);
        fields.setText(QByteArray(name), image.readText(s.offset, s.capacity));
    };
    for (const char *name : kCodes)
        getText(name);
    for (const char *name : kMessages)
        getText(name);
    for (const char *name : kSettings)
        getText(name);
    ShowRelay2Value(fields, image.readText(ParameterImage::Relay2Offset, 2));
    for (const char *name : kFlags)
        fields.setChecked(QByteArray(name), image.readFlag(slot(name).offset));
    for (const char *name : kSpeedDials)
        getText(name);
    fields.ShowGlobalCodesState();
}

void SaveParameterFile(const ParameterImage &image, const QString &path)
{
    SaveOptions options;
    options.writeFailure = QStringLiteral("Could not save");
    SaveFileWhole(path, image.bytes(), options);
}

bool LoadParameterFile(ParameterImage &image, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray bytes = file.read(ParameterImage::Size);
    if (bytes.size() != ParameterImage::Size)
        return false; // refused whole: the image keeps what it held
    image.setBytes(bytes);
    return true;
}

QString ParameterFileExtension() { return QStringLiteral("Sys"); }
QString ParameterFileName() { return QStringLiteral("SysPara"); }
QString ParameterFileFilter()
{
    return QStringLiteral("PortavelParameters(*.sys)|*.sys|All Files (*.*)|*.*");
}

} // namespace porv
