#pragma once
// porv-cli's writes to a unit of the site book: each one journalled in the
// book (--book, else PORV_BOOK, or the SQLite file in the user's data folder once it has
// been made), the automatic backup before an overwrite kept as a snapshot.
// When the book cannot record a write, porv-cli writes only with --yes;
// without it nothing is written and the command ends with status 4, naming
// the book.
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "commandline.h"

namespace porv {
class BookRecorder;
class UnitConnection;
}

namespace porv::cli {

// The text that names the book porv-cli records into (--book, else
// PORV_BOOK; empty: the default file).
QString RecordingBookText(const CliRequest &request);

// Attaches a recorder to the unit's link for the rest of the command; the
// unit of the book is the one --unit chose, else the one reached as asked.
std::shared_ptr<BookRecorder> RecordWritesInBook(const CliRequest &request, UnitConnection &unit,
                                                 std::optional<qint64> bookUnit = std::nullopt);

// Why a write was refused for want of the book, or a write the book did not
// record, since the program started: empty when there is none. The program
// ends with status 4 (ExitFile) and this on standard error.
QString BookRecordingProblem();

} // namespace porv::cli
