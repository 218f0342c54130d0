#include "namedchoice.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace porv {

namespace {

// Name, value and the list's action of a NamedChoice.
class NamedChoiceAccessible : public QAccessibleWidget {
public:
    explicit NamedChoiceAccessible(QWidget *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        const auto *box = static_cast<const QComboBox *>(widget());
        if (t == QAccessible::Name)
            return box->accessibleName();
        if (t == QAccessible::Value)
            return box->currentText();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << QAccessibleActionInterface::showMenuAction();
    }
    void doAction(const QString &action) override
    {
        if (action == QAccessibleActionInterface::showMenuAction())
            static_cast<QComboBox *>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface *namedChoiceFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(NamedChoice::staticMetaObject.className()) && object && object->isWidgetType())
        return new NamedChoiceAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

NamedChoice::NamedChoice(const QString &name, QWidget *parent) : QComboBox(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(namedChoiceFactory);
        return true;
    }();
    (void)installed;
    setAccessibleName(name);
}

} // namespace porv
