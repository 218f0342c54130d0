// The parameters' commands: parameters get and parameters put, as the
// window's parameters page reads and writes them (Read All, Write All).
#include "commands.h"

#include <QStringList>

#include "clishell.h"
#include "failures.h"
#include "image.h"
#include "link.h"
#include "optionreader.h"
#include "procedures.h"
#include "unitconnection.h"

namespace porv::cli {

namespace {

const CommandOption kParametersFile =
    OutputOption(QStringLiteral("FILE.sys"), QStringLiteral("the parameters file to write"));

class ParametersGetCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("parameters"), QStringLiteral("get")}; }
    QString summary() const override
    {
        return QStringLiteral("read every parameter block, then write the parameters file");
    }
    QString description() const override
    {
        return QStringLiteral("The file is the one the window's parameters page saves after Read All. A block the "
                              "unit does not answer ends the command with status 3, naming it.");
    }
    QList<CommandOption> options() const override { return {kParametersFile}; }
    ExitStatus run(CommandContext &c) const override { return GetParameters(c, c.given().path(kParametersFile)); }
};

class ParametersPutCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("parameters"), QStringLiteral("put")}; }
    QString summary() const override
    {
        return QStringLiteral("Write All with the file's values; what the file does not hold is written as the unit "
                              "holds it");
    }
    QString description() const override
    {
        return QStringLiteral(
            "The file is read, and its values checked against what the unit's blocks can carry, before the unit is "
            "asked for anything. Then every parameter block is read, the file's values go on top, and Write All "
            "writes them: what the file does not hold (some settings, the diverts) goes back as the unit holds it.\n\n"
            "The question whether to write comes first (--yes answers it), then the automatic backup of the unit as "
            "it is. A block the unit does not confirm ends the command with status 3, naming it.");
    }
    QList<CommandArgument> arguments() const override
    {
        return {{QStringLiteral("FILE"), QStringLiteral("FILE.sys"),
                 QStringLiteral("the parameters file to write to the unit")}};
    }
    bool writesUnit() const override { return true; }
    ExitStatus run(CommandContext &c) const override { return PutParameters(c, c.given().argumentPath(0)); }
};

// Every parameter block, as Read All reads them.
void ReadParameters(CommandContext &c, const QString &step, ParametersCore &core)
{
    if (core.ReadMessages() && core.ReadParameters())
        return;
    c.checkLink(step);
    throw Stop{ExitUnit, step + QStringLiteral(": no answer reading ") + core.UnansweredBlocks()};
}

} // namespace

void RegisterParametersCommands(CommandRegistry &commands)
{
    commands.add<ParametersGetCommand>();
    commands.add<ParametersPutCommand>();
}

ExitStatus GetParameters(CommandContext &c, const QString &file)
{
    const QString step = c.request().commandName();
    CheckOutput(step, file);
    ParametersCore core(c.unit().link(), c.shell());
    ReadParameters(c, step, core);
    if (ToStandardOutput(file))
        PrintOutput(core.FileBytes());
    else
        core.SaveToFile(file);
    c.shell().Progress(QStringLiteral("parameters written to %1").arg(OutputName(file)));
    return ExitDone;
}

ExitStatus PutParameters(CommandContext &c, const QString &file)
{
    const QString step = c.request().commandName();
    // The file whole, and values the blocks can carry, before the unit is
    // touched: a setting that is no number would end Write All half way.
    {
        ParameterImage image;
        if (!LoadParameterFile(image, file))
            throw Stop{ExitFile, QStringLiteral("%1: Could not Load from file %2 (shorter than %3 bytes)")
                                     .arg(step, EscapedArgument(file))
                                     .arg(ParameterImage::Size)};
        try {
            ParameterFields fields;
            ControlsFromImage(image, fields);
            (void)EncodeSettings(fields);
        } catch (const ConversionError &e) {
            throw Stop{ExitFile, QStringLiteral("%1: %2: %3").arg(step, EscapedArgument(file), e.message())};
        }
    }
    // What the file does not hold (some settings, the diverts) is written as
    // the unit holds it: everything is read first, then the file goes on top.
    ParametersCore core(c.unit().link(), c.shell());
    ReadParameters(c, step, core);
    if (!core.LoadFromFile(file))
        throw Stop{ExitFile, QStringLiteral("%1: Could not Load from file %2").arg(step, EscapedArgument(file))};
    const ParametersWriteReport report = core.WriteAll();
    c.checkLink(step, QStringLiteral("some blocks may not have been written: put the file again"));
    if (!report.written)
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};
    if (!report.unconfirmed.isEmpty()) {
        QStringList blocks;
        for (const QByteArray &block : report.unconfirmed)
            blocks.append(QString::fromLatin1(block));
        throw Stop{ExitUnit, QStringLiteral("%1: the unit did not confirm block(s) %2").arg(step, blocks.join(QStringLiteral(", ")))};
    }
    c.shell().Progress(QStringLiteral("parameters written to the unit"));
    return ExitDone;
}

} // namespace porv::cli
