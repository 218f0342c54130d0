#pragma once
// Puts the page classes that are built into their pages of the main window.
class QPlainTextEdit;

namespace porv {

class Link;
class TporvForm;

void HostAvailablePages(TporvForm &window, Link &link, QPlainTextEdit *rxMemo);

} // namespace porv
