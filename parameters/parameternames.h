#pragma once
// The names the accessibility interface gives the parameters page's controls:
// each field by what it holds (its caption where that says it alone), and the
// Read and Write buttons of each tab by what they read and write. Captions
// and object names stay as they are.
class QWidget;

namespace porv {

void NameParameterControls(QWidget *page);

} // namespace porv
