#include "tagmessages.h"

#include "directorytable.h"

namespace porv {

namespace {

QString communicationError() { return QStringLiteral("communication error"); }

} // namespace

QStringList TagDownloadMessages(const TagDownloadReport &report)
{
    if (report.replied)
        return {};
    return {communicationError()};
}

QStringList WriteAllMessages(const WriteAllReport &report)
{
    switch (report.outcome) {
    case WriteAllOutcome::Malformed:
        return {QStringLiteral("Note, the current record has\r\nincorrect RFID data format.\r\nrescan or erase the code.")};
    case WriteAllOutcome::Unstorable: {
        QStringList named;
        for (const TaggedRecord &record : report.unstorable)
            named.append(QStringLiteral("room %1%2").arg(QString::fromLatin1(record.room),
                                                         record.name.isEmpty()
                                                             ? QString()
                                                             : QStringLiteral(" (%1)").arg(QString::fromLatin1(record.name))));
        return {QStringLiteral("The unit cannot store %1 in the room of these tagged records; no tag was written:\r\n")
                    .arg(CharacterName(kErasedByte))
                + named.join(QStringLiteral("\r\n"))};
    }
    case WriteAllOutcome::NothingToWrite:
        return {QStringLiteral("There are no tags to write.")};
    case WriteAllOutcome::NoReply:
        return {communicationError()};
    case WriteAllOutcome::LimitReached:
        return {QStringLiteral("NB could not save all codes\r\nMaximum is 512 RF-ID's.")};
    case WriteAllOutcome::Errors:
        return {QStringLiteral("there was an error saving the codes,\r\nPlease try again")};
    case WriteAllOutcome::NotConfirmed:
    case WriteAllOutcome::Written:
    case WriteAllOutcome::LoggedOff:
    case WriteAllOutcome::Stopped:
        break;
    }
    return {};
}

} // namespace porv
