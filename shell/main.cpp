// porv-pro: the programming tool for the Portavel QX4 door-entry unit.
#include <QList>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "aboutbox.h"
#include "application.h"
#include "mainwindow.h"

namespace {

const char Usage[] = "Usage: porv-pro [-h | --help | --version]\n";

const char Help[] =
    "The programming tool for the Portavel QX4 door-entry unit: log on to a unit over a\n"
    "serial cable, a dialled modem or the network, and read, edit and write its phone\n"
    "list, parameters, access codes, events and RFID tags.\n"
    "\n"
    "It keeps the remembered log-on details (Porvdata.ini) and the default phone list\n"
    "in the folder it is started in. Started from the desktop menu, that is a folder\n"
    "of its own under the user's data folder.\n"
    "\n"
    "It needs a display: started without one it says so and exits with status 1.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help and exit\n"
    "  --version   show the version and exit\n";

const char NoDisplay[] = "porv-pro: no display; set DISPLAY or run under a desktop session\n";

// While the application object starts, Qt's messages are held back: when no
// platform plugin can start (no display, or one that cannot be opened) Qt
// ends the program with a fatal message and an abort, and that becomes the one
// line above and status 1. Once it has started, the held messages go out.
struct HeldMessage {
    QtMsgType type;
    const char *category; // the categories' names are static
    QString text;
};
QList<HeldMessage> g_held;
std::mutex g_heldLock; // the platform may start threads of its own meanwhile

void HoldWhileStarting(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fputs(NoDisplay, stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    const std::lock_guard<std::mutex> lock(g_heldLock);
    g_held.append({type, context.category, text});
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before the application exists: --help and --version need no display.
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
        const bool version = std::strcmp(argv[1], "--version") == 0;
        if (argc == 2 && help) {
            std::fputs(Usage, stdout);
            std::fputs(Help, stdout);
            return 0;
        }
        if (argc == 2 && version) {
            std::puts("porv-pro " PORV_VERSION);
            return 0;
        }
        std::fprintf(stderr, "porv-pro: unexpected argument: %s\n", argv[help || version ? 2 : 1]);
        std::fputs(Usage, stderr);
        return 2;
    }
    const QtMessageHandler previous = qInstallMessageHandler(HoldWhileStarting);
    porv::Application app(argc, argv);
    qInstallMessageHandler(previous);
    QList<HeldMessage> held;
    {
        const std::lock_guard<std::mutex> lock(g_heldLock);
        held.swap(g_held);
    }
    for (const HeldMessage &m : std::as_const(held))
        qt_message_output(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category), m.text);
    porv::Application::setApplicationName(QStringLiteral("porv-pro"));
    porv::Application::setApplicationDisplayName(QStringLiteral("Porv-Pro"));
    porv::Application::setApplicationVersion(QStringLiteral(PORV_VERSION));
    // The desktop entry the window belongs to.
    porv::Application::setDesktopFileName(QStringLiteral("com.portavel.porvpro"));
    porv::TporvForm window;
    window.show();
    return porv::Application::exec();
}
