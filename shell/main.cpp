// porv-pro: the programming tool for the Portavel QX4 door-entry unit.
#include "aboutbox.h"
#include "application.h"
#include "mainwindow.h"

int main(int argc, char *argv[])
{
    porv::Application app(argc, argv);
    porv::Application::setApplicationName(QStringLiteral("porv-pro"));
    porv::Application::setApplicationDisplayName(QStringLiteral("Porv-Pro"));
    porv::TporvForm window;
    window.show();
    return porv::Application::exec();
}
