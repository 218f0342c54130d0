#include "dialogseam.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

namespace porv {

namespace {
QString boxTitle() { return QStringLiteral("Porv-Pro"); }
bool g_scriptedByDefault = false;
} // namespace

void DialogSeam::SetScriptedByDefault(bool scripted) { g_scriptedByDefault = scripted; }

DialogSeam::DialogSeam(QObject *parent) : QObject(parent), m_scripted(g_scriptedByDefault) {}

void DialogSeam::showMessage(QWidget *parent, const QString &text)
{
    m_texts.append(text);
    emit textShown(text);
    if (m_scripted)
        return;
    QMessageBox::information(parent, boxTitle(), text);
}

bool DialogSeam::askQuestion(QWidget *parent, const QString &text)
{
    m_texts.append(text);
    emit textShown(text);
    if (m_scripted)
        return m_answers.isEmpty() ? false : m_answers.dequeue();
    return QMessageBox::question(parent, boxTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString DialogSeam::askOpenFileName(QWidget *parent, const FileDialogRequest &request)
{
    return askFileName(parent, request, false);
}

QString DialogSeam::askSaveFileName(QWidget *parent, const FileDialogRequest &request)
{
    return askFileName(parent, request, true);
}

QString DialogSeam::DataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/porv-pro");
}

bool DialogSeam::InDataFolder(const QString &folder)
{
    const QString data = QFileInfo(DataFolder()).canonicalFilePath();
    const QString path = QFileInfo(folder).canonicalFilePath();
    return !data.isEmpty() && !path.isEmpty()
        && (path == data || path.startsWith(data + QLatin1Char('/')));
}

QString DialogSeam::startFolder(const FileDialogRequest &request) const
{
    if (!m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir())
        return m_lastFolder;
    const QString working = QDir::currentPath();
    if (request.start == FileDialogRequest::Start::WorkingFolder && !InDataFolder(working))
        return working;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString DialogSeam::askFileName(QWidget *parent, const FileDialogRequest &request, bool save)
{
    m_fileRequests.append(request);
    const QString folder = startFolder(request);
    m_startFolders.append(folder);
    QString chosen;
    if (m_scripted) {
        chosen = m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
    } else {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilter(QtFilter(request.filter));
        dialog.setDefaultSuffix(request.defaultExtension);
        if (!request.title.isEmpty())
            dialog.setWindowTitle(request.title);
        dialog.setDirectory(folder);
        if (!request.fileName.isEmpty())
            dialog.selectFile(QDir(folder).filePath(request.fileName));
        // Replacing an existing file is asked first (the dialog's own prompt).
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    // The next dialog opens where this one's file is.
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

int DialogSeam::execDialog(QDialog &dialog)
{
    if (!m_scripted)
        return dialog.exec();
    DialogScript script = m_dialogs.isEmpty() ? DialogScript() : m_dialogs.dequeue();
    QPointer<QDialog> guard(&dialog);
    // Both run from the dialog's own event loop, each as an event of its own:
    // a failure in the script reaches the failure handler like any click, and
    // a dialog the script left open is still cancelled.
    QTimer::singleShot(0, &dialog, [guard, script] {
        if (guard && script)
            script(*guard);
    });
    QTimer::singleShot(0, &dialog, [guard] {
        if (guard && guard->isVisible())
            guard->reject();
    });
    return dialog.exec();
}

QString DialogSeam::QtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i).trimmed();
        QString pattern = parts.at(i + 1).trimmed();
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file; on this system names need not hold a dot.
        pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        description.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + pattern + QLatin1Char(')');
        out.append(description);
    }
    if (out.isEmpty())
        return QStringLiteral("All Files (*)");
    return out.join(QStringLiteral(";;"));
}

} // namespace porv
