#pragma once
// TAboutBox: the About dialog, shown modally from the Help menu's About.
#include <QDialog>

namespace porv {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);
};

} // namespace porv
