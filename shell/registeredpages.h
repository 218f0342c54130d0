#pragma once
// The window's pages: each page folder registers its page, in the order that
// shell/CMakeLists.txt lists the folders (PORV_PAGES).
namespace porv {

class PageRegistry;

void RegisterPages(PageRegistry &pages);

} // namespace porv
