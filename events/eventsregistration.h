#pragma once
// The Events page joins the window.
namespace porv {

class PageRegistry;

void RegisterEventsPage(PageRegistry &pages);

} // namespace porv
