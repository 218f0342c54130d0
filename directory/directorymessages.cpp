#include "directorymessages.h"

namespace porv {

namespace {

const QString CRLF = QStringLiteral("\r\n");

// How the closing message of an upload names a record: by its name, else by
// its room, else by its address.
QString recordLabel(const SkippedRecord &record)
{
    if (!record.name.isEmpty())
        return QString::fromLatin1(UnitName(record.name));
    if (!record.room.isEmpty())
        return QStringLiteral("room %1").arg(QString::fromLatin1(record.room));
    return QStringLiteral("record at %1").arg(QString::fromLatin1(record.addr));
}

// Why the unit could not list the record back, as the commit says it.
QString problemMessage(const RecordProblem &problem, const QByteArray &name)
{
    const QString unitName = QString::fromLatin1(UnitName(name));
    switch (problem.kind) {
    case RecordProblem::None:
        break;
    case RecordProblem::NoName:
        return NameRuleMessage();
    case RecordProblem::NoRoom:
        return QStringLiteral("Must enter a number");
    case RecordProblem::PhoneCharacter:
        return QStringLiteral("The unit cannot store %1 in the phone number of %2.")
            .arg(CharacterName(problem.character), unitName);
    case RecordProblem::NameCharacter:
        // The unit's erased byte: it would list the name only up to it.
        return QStringLiteral("The unit cannot store %1 in the name %2: it would end the name there.")
            .arg(CharacterName(problem.character), unitName);
    case RecordProblem::CodeCharacter:
        return QStringLiteral("The unit cannot store %1 in the relay codes of %2.")
            .arg(CharacterName(problem.character), unitName);
    }
    return QString();
}

} // namespace

QString NameRuleMessage()
{
    return QStringLiteral("must enter a name or number\r\n"
                          "without a space as a first character\r\n"
                          "start characters may be:\r\n"
                          " A-Z or a-z or 0-9");
}

QString NumericOrZeroMessage() { return QStringLiteral("Must use Numeric digits in\r\nRoomNumber & Codes fields"); }

QString RecordProblemText(const RecordProblem &problem)
{
    switch (problem.kind) {
    case RecordProblem::None: break;
    case RecordProblem::NoName: return QStringLiteral("no name");
    case RecordProblem::NoRoom: return QStringLiteral("no room number");
    case RecordProblem::PhoneCharacter:
        return QStringLiteral("cannot store %1 in the phone number").arg(CharacterName(problem.character));
    case RecordProblem::NameCharacter:
        return QStringLiteral("cannot store %1 in the name").arg(CharacterName(problem.character));
    case RecordProblem::CodeCharacter:
        return QStringLiteral("cannot store %1 in a relay code").arg(CharacterName(problem.character));
    }
    return QString();
}

QStringList DownloadMessages(const DirectoryDownloadReport &report)
{
    if (!report.started || report.loggedOff)
        return {};
    if (report.silent)
        return {QStringLiteral("communication error")};
    if (!report.complete)
        return {QStringLiteral("The phone list did not arrive complete.\r\n"
                               "Get the data again before writing changes.")};
    return {};
}

QStringList UploadMessages(const DirectoryUploadReport &report)
{
    switch (report.outcome) {
    case UploadOutcome::TooMany:
        return {QStringLiteral("There are to many records to store\r\n"
                               "to this Portavel version.\r\n%1 is the limit.")
                    .arg(report.capacity)};
    case UploadOutcome::NotConfirmed:
    case UploadOutcome::Empty:
        return {};
    case UploadOutcome::NotErased:
        return {QStringLiteral("Could not clear All,\r\nSave your files and\r\nRecheck connection")};
    case UploadOutcome::Written:
        break;
    }
    // A box for each room written as "0", then one for all else that did
    // not go as asked.
    QStringList messages;
    for (int i = 0; i < report.roomsZeroed; ++i)
        messages.append(NumericOrZeroMessage());
    QStringList closing;
    if (report.errors > 0)
        closing.append(QStringLiteral("There was %1 error(s)").arg(report.errors));
    if (!report.skipped.isEmpty()) {
        constexpr int kNamed = 20;
        closing.append(QStringLiteral("These records were not written:"));
        for (const SkippedRecord &record : report.skipped.mid(0, kNamed))
            closing.append(recordLabel(record) + QStringLiteral(": ") + RecordProblemText(record.problem));
        if (report.skipped.size() > kNamed)
            closing.append(QStringLiteral("and %1 more").arg(report.skipped.size() - kNamed));
    }
    if (report.namesChanged)
        closing.append(QStringLiteral("Commas and control characters in names were stored as spaces."));
    if (!closing.isEmpty())
        messages.append(closing.join(CRLF));
    return messages;
}

QStringList CommitMessages(const CommitReport &report, const QByteArray &name)
{
    switch (report.outcome) {
    case CommitOutcome::NotStorable:
        return {problemMessage(report.problem, name)};
    case CommitOutcome::Declined:
        return {};
    case CommitOutcome::LimitReached:
        return {QStringLiteral("Phone list limit=1000 max.")};
    case CommitOutcome::NoAddress:
        return {QStringLiteral("Could Not Assign a new addr")};
    case CommitOutcome::Committed:
        break;
    }
    QStringList messages;
    if (report.roomZeroed)
        messages.append(NumericOrZeroMessage());
    if (report.writtenThrough && !report.written)
        messages.append(QStringLiteral("Failed to Write"));
    else if (report.writtenThrough && report.unitName != name)
        messages.append(QStringLiteral("Name stored in the unit as \"%1\": commas and control "
                                       "characters become spaces.")
                            .arg(QString::fromLatin1(report.unitName)));
    return messages;
}

} // namespace porv
