#pragma once
// The one way files are written and read whole.
//
// SaveFileWhole writes through QSaveFile: the file is replaced by the new bytes
// entirely or, when anything fails, left as it was. AppendToFile is the plain
// append of the events file. ReadFileCapped reads a whole file and refuses one
// larger than the cap. Each throws porv::FileError with a message that names the
// file and the reason.
#include <QByteArray>
#include <QString>

namespace porv {

// Files the tool reads are small (a phone list of 1000 records is about 60 KiB);
// anything past this is not one of its files.
constexpr qint64 kMaxReadFileBytes = 32 * 1024 * 1024;

struct SaveOptions {
    // Readable and writable by the owner only, set before any byte goes in
    // (the remembered log-on details may hold the PIN).
    bool ownerOnly = false;
    // The failure's message when the bytes cannot be written whole (a full
    // disk); empty for the usual "Cannot write file" message with the reason.
    QString writeFailure;
};

void SaveFileWhole(const QString &path, const QByteArray &bytes, const SaveOptions &options = SaveOptions());
void AppendToFile(const QString &path, const QByteArray &bytes);
QByteArray ReadFileCapped(const QString &path, qint64 maxBytes = kMaxReadFileBytes);

} // namespace porv
