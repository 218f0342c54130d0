#pragma once
// The RFid_SU page joins the window, after the PhoneDataBase page whose table
// it works on.
namespace porv {

class PageRegistry;

void RegisterRfidPage(PageRegistry &pages);

} // namespace porv
