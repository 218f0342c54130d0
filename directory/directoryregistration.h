#pragma once
// The PhoneDataBase page joins the window (first of the pages).
namespace porv {

class DirectoryAccess;
class PageRegistry;
class ShellPage;

void RegisterDirectoryPage(PageRegistry &pages);

// The phone list of a hosted page, when it is the PhoneDataBase page (the
// window's whole-unit commands compare it with the unit and write its
// changes); nullptr for any other page.
DirectoryAccess *PhoneListOf(ShellPage *page);

} // namespace porv
