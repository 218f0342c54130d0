#pragma once
// The comma-separated table file: the phone list file, and the table part of
// the events file.
//
// As written: a header line of the field names, then one line per posted record
// in the table's current order, every line ended by CR LF, values separated by
// "," without quotes. In text values "%" is written "%%", CR "%c", LF "%n", NUL
// "%0" and "," "%m" (so a value holding a comma stays one value); integer fields
// are written in decimal.
//
// As read: lines end at CR, LF or NUL (runs of them are one line end); the first
// line names the columns, matched to the fields without regard to case; every
// later non-empty line is appended and posted as one record. A value in an
// integer column that Int16FieldValue does not take leaves that field empty.
#include <QByteArray>
#include <QString>

namespace porv {

class MemTable;

// The file's bytes for a table (the header line included).
QByteArray TableCsvBytes(const MemTable &table);

// Writes the table. append false: the file is replaced as a whole through the
// save helper (never left half written); append true: the bytes are added at
// the end of the file (created when missing). Throws FileError.
void SaveTableCsv(const MemTable &table, const QString &path, bool append);

// Appends the records read from the bytes to the open table; returns how many
// were added.
int LoadTableCsvBytes(MemTable &table, const QByteArray &bytes);

// Reads the file (refusing one that cannot be opened, or larger than the read
// cap, with FileError) and appends its records to the open table. Display
// updates are suspended during the load.
int LoadTableCsv(MemTable &table, const QString &path);

// Whether the file holds a record line after its header. A file that cannot
// be opened holds none; one whose header alone is longer than the part looked
// at counts as holding records.
bool TableCsvFileHasRecords(const QString &path);

// The value escapes, for one text value.
QByteArray EscapeCsvValue(const QByteArray &value);
QByteArray UnescapeCsvValue(const QByteArray &value);

} // namespace porv
