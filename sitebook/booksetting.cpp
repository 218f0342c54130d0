#include "booksetting.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace porv {

namespace {
const QString kKey = QStringLiteral("siteBook/location");
}

QString WindowSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/porv-pro/porv-pro.conf");
}

QString BookLocationSetting()
{
    const QSettings settings(WindowSettingsFile(), QSettings::IniFormat);
    return settings.value(kKey).toString().trimmed();
}

BookResult<BookLocation> KeepBookLocationSetting(const QString &text)
{
    const QString typed = text.trimmed();
    BookResult<BookLocation> location = ParseBookLocation(typed);
    if (!location.ok())
        return location;
    const QString file = WindowSettingsFile();
    if (!QDir().mkpath(QFileInfo(file).path()))
        return BookError::Fail(BookFailure::File,
                               QStringLiteral("The folder of %1 cannot be made: the book's location was not kept.")
                                   .arg(QDir::toNativeSeparators(file)));
    QSettings settings(file, QSettings::IniFormat);
    if (typed.isEmpty())
        settings.remove(kKey);
    else
        settings.setValue(kKey, typed);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return BookError::Fail(BookFailure::File, QStringLiteral("%1 cannot be written: the book's location was not kept.")
                                                      .arg(QDir::toNativeSeparators(file)));
    return location;
}

} // namespace porv
