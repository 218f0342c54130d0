#include "procedures.h"

#include "blocks.h"
#include "delay.h"
#include "link.h"
#include "shellservices.h"

namespace porv {

namespace {

// Runs a step when the scope ends, however it ends.
template <typename F>
class Finally {
public:
    explicit Finally(F f) : m_f(std::move(f)) {}
    ~Finally() { m_f(); }
    Finally(const Finally &) = delete;
    Finally &operator=(const Finally &) = delete;

private:
    F m_f;
};
template <typename F>
Finally(F) -> Finally<F>;

const QString CRLF = QStringLiteral("\r\n");

} // namespace

ParametersCore::ParametersCore(Link &link, ShellServices &shell) : m_link(link), m_shell(shell) {}

// --- read ---------------------------------------------------------------------------

void ParametersCore::groupRead(const QByteArray &command, int ticks)
{
    m_link.ClearReceiveView();
    m_link.SendCommand(command + "\r");
    Delay(ticks);
}

void ParametersCore::ReadParameters()
{
    ReadSettings();
    ReadGateCodes();
    ReadSpeedDials();
    ReadDivertNumbers();
    ReadDivertTimes();
}

void ParametersCore::ReadSettings()
{
    m_shell.ShowTransfer();
    Finally end([this] {
        m_shell.HideTransfer();
        ImageFromControls(m_fields, m_image);
        m_shell.SetSaveAsEnabled(true);
    });
    groupRead("r0000", 1000);
    DecodeSettingsReply(m_fields, m_link.ReplyLines());
}

void ParametersCore::ReadGateCodes()
{
    m_shell.SetBusyCursor(true);
    m_shell.ShowTransfer();
    Finally end([this] {
        m_shell.HideTransfer();
        m_shell.SetBusyCursor(false);
        ImageFromControls(m_fields, m_image);
        m_shell.SetSaveAsEnabled(true);
    });
    groupRead("r0001", 500);
    DecodeGateCodes(m_fields, m_link.ReplyLines());
    m_fields.ShowGlobalCodesState();
}

void ParametersCore::ReadSpeedDials()
{
    groupRead("d00080010", 1000);
    DecodeSpeedDials(m_fields, m_link.ReplyLines());
}

void ParametersCore::ReadDivertNumbers()
{
    groupRead("d00050006", 1000);
    DecodeDivertNumbers(m_fields, m_link.ReplyLines());
}

void ParametersCore::ReadDivertTimes()
{
    groupRead("r0002", 500);
    DecodeDivertTimes(m_fields, m_link.ReplyLines());
}

void ParametersCore::ReadMessages()
{
    m_shell.ShowTransfer();
    Finally end([this] { m_shell.HideTransfer(); });
    groupRead("d00120015", 1000);
    DecodeMessages(m_fields, m_link.ReplyLines());
}

void ParametersCore::ReadAllClick()
{
    ReadMessages();
    ReadParameters();
}

// --- write --------------------------------------------------------------------------

void ParametersCore::writeBlock(const QByteArray &block, const QByteArray &data, const char *what)
{
    if (!m_link.WriteBlockVerified(block, data))
        m_shell.ShowMessage(QStringLiteral("There was an error") + CRLF + QString::fromLatin1(what));
}

void ParametersCore::WriteSettings()
{
    const QByteArray data = EncodeSettings(m_fields); // a field that is no number ends here
    writeBlock("0000", data, "in writing the System Parameters");
}

void ParametersCore::WriteGateCodes() { writeBlock("0001", GateCodesBlock(m_fields), "in writing the Codes"); }

void ParametersCore::WriteMessages()
{
    writeBlock("0012", MessageBlock12(m_fields), "in writing fixed message 1 & 2");
    writeBlock("0013", MessageBlock13(m_fields), "in writing Scroll message 1");
    writeBlock("0014", MessageBlock14(m_fields), "in writing Scroll message 2");
    writeBlock("0015", MessageBlock15(m_fields), "in writing message 1 & 2");
}

void ParametersCore::WriteSpeedDials()
{
    writeBlock("0008", SpeedDials1Block(m_fields), "in writing speed Dial 1 & 2");
    writeBlock("0009", SpeedDials2Block(m_fields), "in writing speed Dial 3 & 4");
}

void ParametersCore::WriteDiverts()
{
    writeBlock("0005", DivertNumbersBlock(m_fields), "in writing the new numbers");
    Delay(300);
    writeBlock("0002", DivertTimesBlock(m_fields), "in writing the new Times");
}

void ParametersCore::ShowReady() { m_shell.ShowStatus(1, QStringLiteral("Ready")); }

void ParametersCore::UpLoadClick() { Delay(200); }

void ParametersCore::WriteAll()
{
    if (!m_shell.AskQuestion(QStringLiteral("ReWrite all Messages & Operating Parameters?")))
        return;
    m_shell.SetBusyCursor(true);
    {
        Finally normal([this] { m_shell.SetBusyCursor(false); });
        WriteGateCodes();
        WriteMessages();
        WriteSpeedDials();
        WriteDiverts();
        WriteSettings();
    }
    ShowReady();
    UpLoadClick();
}

void ParametersCore::WritePara1Click()
{
    WriteSettings();
    ShowReady();
}

void ParametersCore::WriteCodeClick()
{
    WriteGateCodes();
    ShowReady();
}

void ParametersCore::WriteSpdClick()
{
    WriteSpeedDials();
    ShowReady();
}

void ParametersCore::divertWriteClick()
{
    WriteDiverts();
    WriteSettings();
    ShowReady();
}

void ParametersCore::SaveParamClick()
{
    WriteMessages();
    ShowReady();
}

// --- access codes ------------------------------------------------------------------------

void ParametersCore::ReadPinsClick()
{
    groupRead("r0003", 500);
    DecodePins(m_fields, m_link.ReplyLines());
}

void ParametersCore::UpDatePINClick()
{
    // Block 0003 goes out without showing in the status bar (the link's rule).
    if (m_link.WriteBlockVerified("0003", PinBlock(m_fields)))
        m_shell.ShowMessage(QStringLiteral("NEW CODES Programmed"));
    else
        m_shell.ShowMessage(QStringLiteral("There was an error") + CRLF + QStringLiteral("in writing the CODES"));
}

// --- parameters file ----------------------------------------------------------------------

namespace {
FileDialogRequest parameterFileRequest()
{
    FileDialogRequest r;
    r.defaultExtension = ParameterFileExtension();
    r.filter = ParameterFileFilter();
    r.fileName = ParameterFileName();
    return r;
}
} // namespace

void ParametersCore::SaveToFile(const QString &path)
{
    ImageFromControls(m_fields, m_image);
    SaveParameterFile(m_image, path);
}

bool ParametersCore::SaveAs()
{
    // The image is refreshed even when the dialog is cancelled.
    ImageFromControls(m_fields, m_image);
    const QString path = m_shell.AskSaveFileName(parameterFileRequest());
    if (path.isEmpty())
        return false;
    SaveParameterFile(m_image, path);
    return true;
}

bool ParametersCore::LoadFromFile(const QString &path)
{
    if (!LoadParameterFile(m_image, path)) {
        m_shell.ShowMessage(QStringLiteral("Could not Load from file") + CRLF + path);
        return false;
    }
    ControlsFromImage(m_image, m_fields);
    return true;
}

bool ParametersCore::Open()
{
    const QString path = m_shell.AskOpenFileName(parameterFileRequest());
    if (path.isEmpty())
        return false;
    return LoadFromFile(path);
}

} // namespace porv
