// porv-pro: the programming tool for the Portavel QX4 door-entry unit.
#include <cstdio>
#include <cstring>

#include "aboutbox.h"
#include "application.h"
#include "mainwindow.h"

namespace {

const char Usage[] = "Usage: porv-pro [--help | --version]\n";

const char Help[] =
    "The programming tool for the Portavel QX4 door-entry unit: log on to a unit over a\n"
    "serial cable, a dialled modem or the network, and read, edit and write its phone\n"
    "list, parameters, access codes, events and RFID tags.\n"
    "\n"
    "It keeps the remembered log-on details (Porvdata.ini) and the default phone list\n"
    "in the folder it is started in. Started from the desktop menu, that is a folder\n"
    "of its own under the user's data folder.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

} // namespace

int main(int argc, char *argv[])
{
    // Read before the application exists: --help and --version need no display.
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0;
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
    porv::Application app(argc, argv);
    porv::Application::setApplicationName(QStringLiteral("porv-pro"));
    porv::Application::setApplicationDisplayName(QStringLiteral("Porv-Pro"));
    porv::Application::setApplicationVersion(QStringLiteral(PORV_VERSION));
    // The desktop entry the window belongs to.
    porv::Application::setDesktopFileName(QStringLiteral("com.portavel.porvpro"));
    porv::TporvForm window;
    window.show();
    return porv::Application::exec();
}
