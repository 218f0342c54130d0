#pragma once
// The PhoneDataBase page's edit boxes: one-line boxes whose typed keys pass a
// rule of the box first (the rules are in directoryediting.cpp).
#include <QKeyEvent>
#include <QLineEdit>

#include <functional>

namespace porv {

// A one-line edit box whose typed keys pass through a rule first (the rule
// returns true to swallow the key).
class DirectoryEditBox : public QLineEdit {
public:
    using KeyRule = std::function<bool(QKeyEvent *)>;
    explicit DirectoryEditBox(QWidget *parent) : QLineEdit(parent) {}
    void setKeyRule(KeyRule rule) { m_rule = std::move(rule); }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (m_rule && m_rule(event)) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    KeyRule m_rule;
};

} // namespace porv
