#include "eventsregistration.h"

#include "eventspage.h"
#include "pageregistry.h"

namespace porv {

void RegisterEventsPage(PageRegistry &pages)
{
    PageDescriptor page;
    page.objectName = "Events";
    page.caption = "Events";
    page.menuItem = {"Events1", "Events", "Ctrl+3"};
    page.toolButton = {"Ebutt", "Eventb", "Events", "Event display Page", 18};
    // Save As writes the events file once a download brought events in.
    page.fileCommands.saveAs = FileOffer::WhileEventsLoaded;
    page.transferButtons = {QStringLiteral("dnLoad"), QStringLiteral("Set_time")};
    page.create = [](PageContext &c) { return Hosted(new EventsPage(c.link, c.shell, c.parent)); };
    pages.add(std::move(page));
}

} // namespace porv
