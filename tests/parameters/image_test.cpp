// ParameterImage, the relay-2 value and the parameters file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

#include "failures.h"
#include "fields.h"
#include "blocks.h"
#include "image.h"

using porv::ParameterFields;
using porv::ParameterImage;

namespace {

QByteArray at(const ParameterImage &image, int offset, int size) { return image.bytes().mid(offset, size); }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ParameterImageLayout, SlotsTileTheRecord)
{
    int covered = 0;
    for (const porv::ImageSlot &s : ParameterImage::Slots())
        covered += s.capacity == 0 ? 1 : s.capacity + 1;
    int reserved = 0;
    for (int i = 0; i < ParameterImage::Size; ++i)
        reserved += ParameterImage::IsReserved(i) ? 1 : 0;
    EXPECT_EQ(reserved, 5 + 5 + 5 + 17 + 99 + 1);
    EXPECT_EQ(covered + reserved, ParameterImage::Size);
    EXPECT_EQ(ParameterImage::Slot("spd8")->offset, 450);
    EXPECT_EQ(ParameterImage::Slot("msg3")->offset, 163);
}

TEST(ParameterImageLayout, FreshImageFromStartValues)
{
    ParameterFields f;
    ParameterImage image;
    porv::ImageFromControls(f, image);
    ASSERT_EQ(image.bytes().size(), 467);
    for (int i = 0; i < ParameterImage::Size; ++i) {
        if (ParameterImage::IsReserved(i)) {
            EXPECT_EQ(image.bytes()[i], '\0') << "reserved byte " << i;
        }
    }
    EXPECT_EQ(at(image, 0, 5), QByteArray(5, '\0')); // empty code_g1
    EXPECT_EQ(at(image, 295, 3), QByteArray("\x01" "3\0", 3));
    EXPECT_EQ(at(image, 313, 3), QByteArray("\x02" "20", 3));
    EXPECT_EQ(at(image, 316, 3), QByteArray("\x02" "15", 3));
    EXPECT_EQ(at(image, 319, 3), QByteArray("\x02" "00", 3));
    EXPECT_EQ(at(image, 322, 8), QByteArray("\0\0\1\1\0\0\0\0", 8));
    EXPECT_EQ(at(image, 331, 6), QByteArray("\x05" "36001"));
    EXPECT_EQ(at(image, 450, 6), QByteArray("\x05" "36008"));
}

TEST(ParameterImageLayout, TextsAreCutToTheirCapacity)
{
    ParameterFields f;
    f.setText("Phs_ls", "100");
    f.setText("code_g1", "12345678");
    f.setText("msg0", "HELLO");
    ParameterImage image;
    porv::ImageFromControls(f, image);
    EXPECT_EQ(at(image, 313, 3), QByteArray("\x02" "10"));
    EXPECT_EQ(at(image, 0, 5), QByteArray("\x04" "1234"));
    EXPECT_EQ(at(image, 45, 6), QByteArray("\x05" "HELLO"));
}

TEST(ParameterImageLayout, BytesAfterAShorterTextKeepTheirValue)
{
    ParameterImage image;
    image.writeText(45, 16, "ABCDEFGH");
    image.writeText(45, 16, "XY");
    EXPECT_EQ(at(image, 45, 9), QByteArray("\x02XYCDEFGH"));
    EXPECT_EQ(image.readText(45, 16), "XY");
}

TEST(ParameterImageLayout, OversizedLengthByteIsCutAtCapacity)
{
    QByteArray bytes(ParameterImage::Size, '\0');
    bytes[0] = char(200);
    bytes.replace(1, 4, "9876");
    bytes[5] = 2;
    bytes.replace(6, 2, "55");
    bytes.replace(319, 3, QByteArray("\x02" "00"));
    ParameterImage image;
    image.setBytes(bytes);
    EXPECT_EQ(image.readText(0, 4), "9876");
    ParameterFields f;
    porv::ControlsFromImage(image, f);
    EXPECT_EQ(f.text("code_g1"), "9876");
    EXPECT_EQ(f.text("code_g2"), "55");
}

TEST(Relay2, KeyAndTimerStoreZeroNine)
{
    ParameterFields f;
    f.setChecked("rly2key", true);
    f.setChecked("rly2tim", true);
    ParameterImage image;
    porv::ImageFromControls(f, image);
    EXPECT_EQ(at(image, 319, 3), QByteArray("\x02" "09"));
    EXPECT_FALSE(f.checked("rly2off"));

    ParameterFields g;
    porv::ControlsFromImage(image, g);
    EXPECT_TRUE(g.checked("rly2tim"));
    EXPECT_TRUE(g.checked("rly2key"));
}

TEST(Relay2, NoneStoresZeroAndChecksNormal)
{
    ParameterFields f;
    f.setChecked("rly2off", false);
    EXPECT_EQ(porv::Relay2Value(f), "00");
    EXPECT_TRUE(f.checked("rly2off"));
}

// Every value the tool writes shows as exactly the boxes it came from,
// whatever the boxes showed before.
TEST(Relay2, EveryValueShowsAsTheBoxesItCameFrom)
{
    for (int value = 0; value < 16; ++value) {
        ParameterFields f;
        f.setChecked("rly2key", value & 1);
        f.setChecked("rly2line", value & 2);
        f.setChecked("rly2ring", value & 4);
        f.setChecked("rly2tim", value & 8);
        const QByteArray stored = porv::Relay2Value(f);
        ParameterFields g;
        g.setChecked("rly2off", value != 0);
        g.setChecked("rly2key", !(value & 1));
        g.setChecked("rly2ring", !(value & 4));
        porv::ShowRelay2Value(g, stored);
        for (const char *box : {"rly2off", "rly2key", "rly2line", "rly2ring", "rly2tim"})
            EXPECT_EQ(g.checked(box), f.checked(box)) << value << ' ' << box;
    }
}

TEST(Relay2, EmptyTextStopsControlsFromImage)
{
    ParameterFields source;
    source.setText("code_g1", "42");
    source.setText("spd1", "777");
    source.setChecked("PS2_srl1", true);
    ParameterImage image;
    porv::ImageFromControls(source, image);
    QByteArray bytes = image.bytes();
    bytes[319] = 0; // relay-2 text of length 0
    image.setBytes(bytes);

    ParameterFields f;
    try {
        porv::ControlsFromImage(image, f);
        FAIL() << "no conversion failure";
    } catch (const porv::ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    EXPECT_EQ(f.text("code_g1"), "42");      // set before the relay-2 value
    EXPECT_FALSE(f.checked("PS2_srl1"));     // flags not reached
    EXPECT_EQ(f.text("spd1"), "36001");      // nor the speed dials
}

TEST(ParametersFile, SaveAfterStartIs467BytesWithReservedZero)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("start.sys"));
    ParameterFields f;
    ParameterImage image;
    porv::ImageFromControls(f, image);
    porv::SaveParameterFile(image, path);
    const QByteArray saved = readFile(path);
    ASSERT_EQ(saved.size(), 467);
    EXPECT_EQ(saved, image.bytes());
}

TEST(ParametersFile, ShortFileIsRefusedAndImageKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.sys"));
    writeFile(path, QByteArray(466, '\x07'));
    ParameterFields f;
    ParameterImage image;
    porv::ImageFromControls(f, image);
    const QByteArray before = image.bytes();
    EXPECT_FALSE(porv::LoadParameterFile(image, path));
    EXPECT_EQ(image.bytes(), before);
}

TEST(ParametersFile, LongFileLoadsItsFirst467Bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.sys"));
    QByteArray bytes(467, '\0');
    bytes[0] = 2;
    bytes[1] = '1';
    bytes[2] = '2';
    writeFile(path, bytes + "trailing");
    ParameterImage image;
    ASSERT_TRUE(porv::LoadParameterFile(image, path));
    EXPECT_EQ(image.bytes(), bytes);
}

TEST(ParametersFile, ReservedBytesSurviveLoadAndSave)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.sys"));
    const QString out = dir.filePath(QStringLiteral("out.sys"));
    ParameterFields start;
    ParameterImage seed;
    porv::ImageFromControls(start, seed);
    QByteArray bytes = seed.bytes();
    for (int i = 0; i < ParameterImage::Size; ++i)
        if (ParameterImage::IsReserved(i))
            bytes[i] = char(0xA0 + i % 16);
    writeFile(in, bytes);

    ParameterFields f;
    ParameterImage image;
    ASSERT_TRUE(porv::LoadParameterFile(image, in));
    porv::ControlsFromImage(image, f);
    f.setText("msg0", "CHANGED");
    porv::ImageFromControls(f, image);
    porv::SaveParameterFile(image, out);
    const QByteArray saved = readFile(out);
    ASSERT_EQ(saved.size(), 467);
    for (int i = 0; i < ParameterImage::Size; ++i) {
        if (ParameterImage::IsReserved(i)) {
            EXPECT_EQ(saved[i], bytes[i]) << "reserved byte " << i;
        }
    }
    EXPECT_EQ(saved.mid(45, 8), QByteArray("\x07" "CHANGED"));
}

TEST(ParametersFile, RoundTripOfEveryImageField)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("all.sys"));
    ParameterFields a;
    a.setText("code_g1", "1234");
    a.setText("code_sd2", "9");
    a.setText("msg2", "A scrolling message of 32 chars!");
    a.setText("msg5", "Pulse");
    a.setText("Phs_run", "45");
    a.setText("Phs_na", "60");
    a.setText("spd3", "0*9#p1");
    a.setChecked("PS2_srl1", true);
    a.setChecked("PS2_grls", false);
    a.setChecked("PS1_pmsg", true);
    a.setChecked("rly2ring", true);
    ParameterImage image;
    porv::ImageFromControls(a, image);
    porv::SaveParameterFile(image, path);

    ParameterFields b;
    ParameterImage loaded;
    ASSERT_TRUE(porv::LoadParameterFile(loaded, path));
    porv::ControlsFromImage(loaded, b);
    for (const char *name : {"code_g1", "code_sd2", "msg2", "msg5", "Phs_run", "Phs_na", "spd3"})
        EXPECT_EQ(b.text(name), a.text(name)) << name;
    EXPECT_TRUE(b.checked("PS2_srl1"));
    EXPECT_FALSE(b.checked("PS2_grls"));
    EXPECT_TRUE(b.checked("PS1_pmsg"));
    EXPECT_FALSE(b.checked("RadioButton1"));
    EXPECT_TRUE(b.checked("rly2ring"));
}

TEST(ParametersFile, FailuresAreFileErrors)
{
    QTemporaryDir dir;
    ParameterImage image;
    try {
        porv::SaveParameterFile(image, dir.filePath(QStringLiteral("missing/dir/x.sys")));
        FAIL() << "saved into a missing directory";
    } catch (const porv::FileError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \""))) << e.what();
    }
    try {
        porv::LoadParameterFile(image, dir.filePath(QStringLiteral("absent.sys")));
        FAIL() << "loaded an absent file";
    } catch (const porv::FileError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file \""))) << e.what();
    }
}

TEST(ParametersFile, SaveOntoADirectoryFailsAndLeavesItAlone)
{
    QTemporaryDir dir;
    ParameterImage image;
    const QString blocked = dir.filePath(QStringLiteral("blocked.sys"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("blocked.sys")));
    try {
        porv::SaveParameterFile(image, blocked);
        FAIL() << "saved over a directory";
    } catch (const porv::FileError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \""))) << e.what();
    }
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

// A save that cannot write all 467 bytes (here: the process may not write files
// beyond 100 bytes) says "Could not save" and leaves the good file in place.
TEST(ParametersFile, FailedWriteKeepsTheGoodFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("good.sys"));
    ParameterImage good;
    good.writeText(45, 16, "Good file");
    porv::SaveParameterFile(good, path);
    ASSERT_EQ(readFile(path), good.bytes());

    ParameterImage other;
    other.writeText(45, 16, "Other");
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        porv::SaveParameterFile(other, path);
    } catch (const porv::FileError &e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, QStringLiteral("Could not save"));
    EXPECT_EQ(readFile(path), good.bytes());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("good.sys")});
}

} // namespace

namespace {

// The parameters file and the settings block laid out from their tables of
// offsets, byte by byte, with a different value in every field.
TEST(ParameterLayout, GoldenFileAndSettingsBlock)
{
    struct Text {
        const char *field;
        int offset;
        QByteArray value;
    };
    const QList<Text> texts = {
        {"code_g1", 0, "1111"},    {"code_g2", 5, "22"},       {"code_ic1", 15, "333"},
        {"code_ic2", 20, "4"},     {"code_sd1", 30, "5055"},   {"code_sd2", 35, "606"},
        {"msg0", 45, "Fixed one"}, {"msg1", 62, "Fixed two!"}, {"msg4", 79, "Pulse 1"},
        {"msg5", 96, "Pulse two"}, {"msg2", 130, "Scroll message one"},
        {"msg3", 163, "Scroll message number two"},
        {"Phs_run", 295, "44"},    {"Phs_but", 298, "11"},     {"Phs_rt", 301, "33"},
        {"Phs_sl", 304, "14"},     {"Phs_ml", 307, "9"},       {"Phs_lt", 310, "8"},
        {"Phs_ls", 313, "49"},     {"Phs_na", 316, "58"},
        {"spd1", 331, "01"},       {"spd2", 348, "002"},       {"spd3", 365, "0003"},
        {"spd4", 382, "00004*"},   {"spd5", 399, "5#"},        {"spd6", 416, "6p6"},
        {"spd7", 433, "777"},      {"spd8", 450, "8888888888888888"},
    };
    struct Flag {
        const char *field;
        int offset;
        bool on;
    };
    const QList<Flag> flags = {{"PS2_srl1", 322, true},  {"PS2_srl2", 323, false}, {"PS2_grls", 324, false},
                               {"PS2_mden", 325, true},  {"PS1_gacc", 326, true},  {"PS2_gcod", 327, false},
                               {"PS1_pmsg", 328, true},  {"PS1_sclk", 329, false}};

    ParameterFields f;
    for (const Text &t : texts)
        f.setText(t.field, t.value);
    for (const Flag &fl : flags)
        f.setChecked(fl.field, fl.on);
    f.setChecked("rly2key", true);
    f.setChecked("rly2ring", true);
    f.setChecked("rly2tim", true);
    f.setText("Phs_rc", "25");
    f.setText("Phs_rv", "6");
    f.setText("Sil_time", "36");
    f.setText("Cont_time", "47");
    f.setChecked("PS2_qx1c", true);
    f.setChecked("Divert4All", true);
    f.setChecked("Divert4AllNA", true);

    QByteArray file(467, '\0');
    for (const Text &t : texts) {
        file[t.offset] = char(t.value.size());
        file.replace(t.offset + 1, t.value.size(), t.value);
    }
    file.replace(319, 3, QByteArray("\x02" "0="));
    for (const Flag &fl : flags)
        file[fl.offset] = fl.on ? 1 : 0;
    ParameterImage image;
    porv::ImageFromControls(f, image);
    EXPECT_EQ(image.bytes(), file);

    // Settings block, two nibble characters per byte: mic, speaker, relay, run,
    // ring count, silence, tone, ring volume, no answer, lift, 05, 00, relay-2,
    // button, 20, 00, scroll, thirteen 00, first and second option byte.
    const QByteArray settings = QByteArray("09") + "0>" + "21" + "2<" + "19" + "24" + "2?" + "06" + "3:" + "08"
        + "05" + "00" + "0=" + "0;" + "20" + "00" + "31" + QByteArray(26, '0') + "54" + ";1";
    EXPECT_EQ(porv::EncodeSettings(f), settings);

    // Both read back into the same fields.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("golden.sys"));
    writeFile(path, file);
    ParameterFields g;
    ParameterImage loaded;
    ASSERT_TRUE(porv::LoadParameterFile(loaded, path));
    porv::ControlsFromImage(loaded, g);
    for (const Text &t : texts)
        EXPECT_EQ(g.text(t.field), t.value) << t.field;
    for (const Flag &fl : flags)
        EXPECT_EQ(g.checked(fl.field), fl.on) << fl.field;
    ParameterFields h;
    porv::DecodeSettings(h, settings);
    for (const char *name : {"Phs_ml", "Phs_sl", "Phs_rt", "Phs_run", "Phs_rc", "Sil_time", "Cont_time", "Phs_rv",
                             "Phs_na", "Phs_lt", "Phs_but", "Phs_ls"})
        EXPECT_EQ(h.text(name), f.text(name)) << name;
}

} // namespace
