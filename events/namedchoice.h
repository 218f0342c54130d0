#pragma once
// A choice (combo box) that the accessibility interface names by what it
// chooses ("Relay filter", "Chart period"), its value apart. The toolkit's own
// combo box gives its current text as its name on this platform, so that
// three filters showing "All" would all be called "All".
#include <QComboBox>

namespace porv {

class NamedChoice : public QComboBox {
    Q_OBJECT
public:
    // `name`: the accessible name.
    NamedChoice(const QString &name, QWidget *parent = nullptr);
};

} // namespace porv
