#pragma once
// The SystemControls page joins the window, after the PhoneDataBase page.
namespace porv {

class PageRegistry;
class ParameterFields;
class ShellPage;

void RegisterParametersPage(PageRegistry &pages);

// The fields of a hosted page, when it is the SystemControls page (the
// window's comparison with the unit reads them); nullptr for any other page.
const ParameterFields *ParameterFieldsOf(ShellPage *page);

} // namespace porv
