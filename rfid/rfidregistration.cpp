#include "rfidregistration.h"

#include "directorypage.h"
#include "pageregistry.h"
#include "rfidpage.h"

namespace porv {

void RegisterRfidPage(PageRegistry &pages)
{
    PageDescriptor page;
    page.objectName = "RFid_SU";
    page.caption = "RFid_SU";
    page.menuItem = {"RFIDCodes1", "RFID Codes", "Ctrl+4"};
    page.toolButton = {"RFbutt", "RFbuttAction", "RFID", "RFID Setup", 27};
    page.loggedOnControls = {QStringLiteral("download_id"), QStringLiteral("writeall_id"), QStringLiteral("Get_ID")};
    // The page works on the directory page's table.
    page.create = [](PageContext &c) {
        DirectoryPage *directory = c.earlierPage<DirectoryPage>();
        return directory ? Hosted(new RfidPage(c.link, c.shell, *directory, c.parent)) : HostedPage();
    };
    pages.add(std::move(page));
}

} // namespace porv
