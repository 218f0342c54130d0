// The one save helper: a file is replaced whole or left as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

#include "failures.h"
#include "savefile.h"

using namespace porv;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(SaveFile, ReplacesTheWholeFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.csv"));
    SaveFileWhole(path, QByteArray(5000, 'a'));
    SaveFileWhole(path, "short");
    EXPECT_EQ(readAll(path), "short");
}

TEST(SaveFile, AFullDiskLeavesTheOldFileAndSaysSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.csv"));
    SaveFileWhole(path, "good");
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        SaveFileWhole(path, QByteArray(1000, 'x'));
    } catch (const FileError &e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot write file"))) << message.toStdString();
    EXPECT_EQ(readAll(path), "good");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.csv")});
}

TEST(SaveFile, OwnerOnlyFilesAreNotReadableByOthers)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Porvdata.ini"));
    SaveOptions options;
    options.ownerOnly = true;
    SaveFileWhole(path, "secret", options);
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                                          | QFileDevice::WriteOther),
              QFileDevice::Permissions());
    EXPECT_EQ(readAll(path), "secret");
}

TEST(SaveFile, NoNameOrAFolderIsRefused)
{
    QTemporaryDir dir;
    EXPECT_THROW(SaveFileWhole(QString(), "x"), FileError);
    EXPECT_THROW(SaveFileWhole(dir.path(), "x"), FileError);
}
