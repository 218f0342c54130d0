#pragma once
// Which site book the window opens: the setting "siteBook/location" in
// porv-pro's own configuration file (QStandardPaths::GenericConfigLocation +
// "/porv-pro/porv-pro.conf", $XDG_CONFIG_HOME honoured). Empty or missing is
// the SQLite file in the data folder; otherwise a PostgreSQL URL
// (postgresql://user@host/dbname) or a SQLite file's path. It never holds a
// password: the book's location refuses one before anything is kept.
#include <QString>

#include "bookerror.h"
#include "booklocation.h"

namespace porv {

QString WindowSettingsFile();
QString BookLocationSetting();
// Checks the text as ParseBookLocation does and, only when it is accepted,
// keeps it (an empty text removes the setting). A refused text keeps nothing
// and gives the location's own message; so does a file that cannot be written.
BookResult<BookLocation> KeepBookLocationSetting(const QString &text);

} // namespace porv
