// Each page class comes with its own subsystem's page target; the shell's
// CMakeLists defines PORV_HAVE_<PAGE> when that target exists. A page class
// derives from QWidget and porv::ShellPage and is constructed with the link,
// the window's services and its parent page widget (docs/architecture.md).
#include "hostedpages.h"

#include <QPlainTextEdit>

#include "mainwindow.h"
#include "shellpage.h"

#ifdef PORV_HAVE_DIRECTORY_PAGE
#include "clientfinder.h"
#include "directorypage.h"
#endif
#ifdef PORV_HAVE_PARAMETERS_PAGE
#include "parameterspage.h"
#endif
#ifdef PORV_HAVE_EVENTS_PAGE
#include "eventfinder.h"
#include "eventspage.h"
#endif
#ifdef PORV_HAVE_RFID_PAGE
#include "rfidpage.h"
#endif

namespace porv {

void HostAvailablePages(TporvForm &window, Link &link, QPlainTextEdit *rxMemo)
{
    (void)link;
    (void)rxMemo;
#ifdef PORV_HAVE_DIRECTORY_PAGE
    // The directory page places the receive view where its layout wants it.
    auto *directory = new DirectoryPage(link, window, rxMemo, window.pageWidget(TporvForm::PhoneDirectory));
    window.hostPage(TporvForm::PhoneDirectory, directory, directory);
#endif
#ifdef PORV_HAVE_PARAMETERS_PAGE
    auto *parameters = new ParametersPage(link, window, window.pageWidget(TporvForm::SystemControls));
    window.hostPage(TporvForm::SystemControls, parameters, parameters);
#endif
#if defined(PORV_HAVE_PARAMETERS_PAGE) && defined(PORV_HAVE_DIRECTORY_PAGE)
    // "Use Global Gate Codes" recolours the directory grid's code columns.
    QObject::connect(&parameters->fields(), &ParameterFields::globalCodesShown, directory,
                     &DirectoryPage::ShowCodeColumns);
    // Opening a phone list file shows the global-codes state afresh.
    QObject::connect(directory, &DirectoryPage::phoneListOpened, &parameters->fields(),
                     &ParameterFields::ShowGlobalCodesState);
#endif
#ifdef PORV_HAVE_EVENTS_PAGE
    auto *events = new EventsPage(link, window, window.pageWidget(TporvForm::EventsPage));
    window.hostPage(TporvForm::EventsPage, events, events);
#endif
#if defined(PORV_HAVE_RFID_PAGE) && defined(PORV_HAVE_DIRECTORY_PAGE)
    // The RFID page works on the directory page's table.
    auto *rfid = new RfidPage(link, window, *directory, window.pageWidget(TporvForm::RfidPage));
    window.hostPage(TporvForm::RfidPage, rfid, rfid);
#endif
#if defined(PORV_HAVE_EVENTS_PAGE) && defined(PORV_HAVE_DIRECTORY_PAGE)
    // History beside the directory's grids shows a room's events on the
    // Events page, as its page command shows that page.
    for (int index : {int(TporvForm::PhoneDirectory), int(TporvForm::RfidPage)}) {
        for (ClientFinder *finder : window.pageWidget(index)->findChildren<ClientFinder *>()) {
            QObject::connect(finder, &ClientFinder::historyRequested, events,
                             [&window, events](const QByteArray &room, bool tagEvents) {
                                 events->Finder()->ShowHistory(room, tagEvents);
                                 window.EbuttClick();
                             });
        }
    }
#endif
    (void)window;
}

} // namespace porv
