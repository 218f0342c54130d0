#pragma once
// The window's words for what the directory core's operations report: the
// message boxes the PhoneDataBase page shows after a download, a full upload
// or the commit of one record, and the rules its edit boxes remind of. The
// core reports what happened (directorytransfer.h, directorycommit.h); these
// texts are the window's alone (porv-cli words the same reports its own way).
#include <QByteArray>
#include <QString>
#include <QStringList>

#include "directorycommit.h"
#include "directorytransfer.h"

namespace porv {

// A name that does not start with A-Z, a-z or 0-9 (or is empty).
QString NameRuleMessage();
// A room or code box that held no whole number: "0" was kept.
QString NumericOrZeroMessage();
// The problem in a few words ("no name", "cannot store \"+\" in the phone number").
QString RecordProblemText(const RecordProblem &problem);

// The boxes, in order, that a report calls for (none when all went as asked).
QStringList DownloadMessages(const DirectoryDownloadReport &report);
QStringList UploadMessages(const DirectoryUploadReport &report);
// `name`: the name box as the user typed it.
QStringList CommitMessages(const CommitReport &report, const QByteArray &name);

} // namespace porv
