#pragma once
// The PhoneDataBase page joins the window (first of the pages).
namespace porv {

class PageRegistry;

void RegisterDirectoryPage(PageRegistry &pages);

} // namespace porv
