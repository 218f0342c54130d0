// The parameters file of ParametersCore: Save, Save As, Open and a load,
// each through the parameter image the file holds.
#include "procedures.h"

#include "image.h"
#include "shellservices.h"

namespace porv {

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

QByteArray ParametersCore::FileBytes()
{
    ImageFromControls(m_fields, m_image);
    return m_image.bytes();
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
        m_outcome.unloadedFile = path;
        return false;
    }
    ControlsFromImage(m_image, m_fields);
    // The file holds part of the settings and no divert at all.
    for (const ImageSlot &slot : ParameterImage::Slots())
        markKnown(slot.name == "relay2" ? kRelay2Boxes : QList<QByteArray>{slot.name});
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
