#include "directoryregistration.h"

#include "directorypage.h"
#include "pageregistry.h"

namespace porv {

void RegisterDirectoryPage(PageRegistry &pages)
{
    PageDescriptor page;
    page.objectName = "phdir";
    page.caption = "PhoneDataBase";
    page.menuItem = {"PHList1", "phonelist", "Ctrl+1"};
    page.toolButton = {"PHBut", "phlistb", "phonelist", "Phone List Page", 16};
    page.focus = "Namef";
    page.holdsReceiveView = true;
    // The phone list's file commands; File Save saves the directory whichever
    // page shows.
    page.fileCommands.newFile = true;
    page.fileCommands.open = true;
    page.fileCommands.edit = true;
    page.fileCommands.save = FileOffer::WhileSaveAllowed;
    page.fileCommands.saveAs = FileOffer::WhileSaveAsAllowed;
    page.fileCommands.savesOnEveryPage = true;
    page.transferButtons = {QStringLiteral("GetData"), QStringLiteral("WriteData")};
    // The page places the receive view where its layout wants it.
    page.create = [](PageContext &c) {
        return Hosted(new DirectoryPage(c.link, c.shell, c.receiveView, c.parent));
    };
    pages.add(std::move(page));
}

DirectoryAccess *PhoneListOf(ShellPage *page)
{
    auto *directory = dynamic_cast<DirectoryPage *>(page);
    return directory ? &directory->Access() : nullptr;
}

} // namespace porv
