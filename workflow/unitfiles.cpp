#include "unitfiles.h"

#include "blocks.h"
#include "directorytable.h"
#include "directorytransfer.h"
#include "failures.h"
#include "fields.h"
#include "image.h"
#include "savefile.h"

namespace porv {

QString LoadPhoneListFile(StandaloneDirectory &directory, const QString &path, const QString &shown)
{
    LoadPhoneList(directory.table, path);
    QByteArray header = ReadFileCapped(path);
    for (const char stop : {'\r', '\n', '\0'}) {
        const qsizetype at = header.indexOf(stop);
        if (at >= 0)
            header.truncate(at);
    }
    bool named = false;
    for (const QByteArray &column : header.split(','))
        named = named || directory.table.FieldIndex(column) >= 0;
    if (!named)
        return QStringLiteral("%1 is not a phone list: its first line names none of its fields").arg(shown);
    if (directory.table.RecordCount() == 0)
        return QStringLiteral("%1 holds no records; nothing was compared or written").arg(shown);
    return QString();
}

QString LoadParametersFile(ParameterFields &fields, const QString &path, const QString &shown)
{
    ParameterImage image;
    try {
        if (!LoadParameterFile(image, path))
            return QStringLiteral("Could not Load from file %1 (shorter than %2 bytes)").arg(shown).arg(ParameterImage::Size);
        ControlsFromImage(image, fields);
        (void)EncodeSettings(fields);
    } catch (const Failure &e) {
        return QStringLiteral("%1: %2").arg(shown, e.message());
    }
    return QString();
}

} // namespace porv
