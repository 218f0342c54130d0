#pragma once
// What the site book window's widgets share: an objectName and a name for a
// screen reader on every control, and a clear button that has one too.
#include <QLineEdit>
#include <QString>
#include <QToolButton>

namespace porv {

template <class W>
W *Named(W *widget, const char *name, const QString &accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

// The box's clear button (the toolkit's own) is "<box>Clear", "Clear".
inline void SetClearable(QLineEdit *box)
{
    box->setClearButtonEnabled(true);
    for (QToolButton *b : box->findChildren<QToolButton *>()) {
        b->setObjectName(box->objectName() + QStringLiteral("Clear"));
        b->setAccessibleName(QStringLiteral("Clear"));
    }
}

} // namespace porv
