#pragma once
// The window's words for what the tag transfers report (tagtransfer.h): the
// message boxes the RFID page shows after a download or a Write All. porv-cli
// words the same reports its own way.
#include <QStringList>

#include "tagtransfer.h"

namespace porv {

QStringList TagDownloadMessages(const TagDownloadReport &report);
QStringList WriteAllMessages(const WriteAllReport &report);

} // namespace porv
