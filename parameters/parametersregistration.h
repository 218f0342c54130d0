#pragma once
// The SystemControls page joins the window, after the PhoneDataBase page.
namespace porv {

class PageRegistry;

void RegisterParametersPage(PageRegistry &pages);

} // namespace porv
