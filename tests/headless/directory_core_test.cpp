// The log-on and the directory's transfers through the core alone: logged on
// by the core log-on, a full download and a full upload of the simulated unit
// over UDP on loopback (the tool and the unit on loopback addresses of the test's own, port 8000).
#include <gtest/gtest.h>

#include "directorytransfer.h"
#include "headless_fixture.h"
#include "null_shell.h"
#include "unit_seed.h"

#if defined(QT_WIDGETS_LIB)
#error "the directory core runs without widgets"
#endif

namespace {

// The transfers report what happened; they show no message of their own.
class Shell : public porv::test::NullShell {
public:
    void ShowMessage(const QString &text) override { ADD_FAILURE() << text.toStdString(); }
    bool AskQuestion(const QString &) override { return true; }
};

} // namespace

using DirectoryCore = headlesstest::HeadlessUnit;

TEST_F(DirectoryCore, LogsOnThenDownloadsAndUploadsTheSimulatedUnitOverUdp)
{
    qx4::SeedOptions seed;
    seed.records = 150;
    seed.okNames = true;
    seed.events = 0;
    seed.tags = 0;
    qx4::seedUnit(unit, seed);
    const porv::LogOnResult logOn = this->logOn("1234");
    ASSERT_EQ(logOn.outcome, porv::LogOnOutcome::Connected) << logOn.message().toStdString();

    Shell shell;
    porv::StandaloneDirectory directory;
    const porv::DirectoryDownloadReport down = porv::DownloadDirectory(link, shell, directory);
    EXPECT_TRUE(down.complete);
    const QList<qx4::DirectoryRecord> held = unit.directoryRecords();
    ASSERT_EQ(held.size(), 150);
    ASSERT_EQ(directory.table.RecordCount(), held.size());
    for (int i = 0; i < held.size(); ++i) {
        ASSERT_EQ(directory.table.RowText(i, 0), held[i].name) << i;
        ASSERT_EQ(directory.table.RowText(i, 1), held[i].room) << i;
        ASSERT_EQ(directory.table.RowText(i, 7), QByteArray::number(held[i].address(), 16).toUpper()) << i;
    }
    EXPECT_TRUE(directory.state.DirectorySynced);
    EXPECT_FALSE(link.CountMode());

    // A new client, first by name: the upload renumbers all in name order. A
    // room that is no whole number goes as "0"; a number the unit cannot dial
    // keeps its record out (last by name, so the rest keep their places).
    directory.table.AppendRecord({"AAA NEW", "7", "0123", "", "", "", "", ""});
    directory.table.AppendRecord({"zz odd room", "7b", "0124", "", "", "", "", ""});
    directory.table.AppendRecord({"zzz plus", "8", "+44", "", "", "", "", ""});
    const porv::DirectoryUploadReport up = porv::UploadDirectory(link, shell, directory);
    EXPECT_EQ(up.outcome, porv::UploadOutcome::Written);
    EXPECT_EQ(up.errors, 0);
    EXPECT_EQ(up.sent, 152);
    EXPECT_EQ(up.roomsZeroed, 1);
    EXPECT_FALSE(up.namesChanged);
    ASSERT_EQ(up.skipped.size(), 1);
    EXPECT_EQ(up.skipped[0].name, QByteArray("zzz plus"));
    EXPECT_EQ(up.skipped[0].problem.kind, porv::RecordProblem::PhoneCharacter);
    EXPECT_EQ(up.skipped[0].problem.character, '+');
    const QList<qx4::DirectoryRecord> written = unit.directoryRecords();
    ASSERT_EQ(written.size(), 152);
    EXPECT_EQ(written[0].name, QByteArray("AAA NEW"));
    EXPECT_EQ(written[0].block, 128);
    for (int i = 0; i < written.size(); ++i) {
        ASSERT_EQ(written[i].name, directory.table.RowText(i, 0)) << i;
        ASSERT_EQ(written[i].block, 128 + i) << i;
    }
    EXPECT_EQ(written.last().room, QByteArray("0"));
}
