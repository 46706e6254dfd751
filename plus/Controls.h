#pragma once

#include <QString>
#include <QWidget>

namespace quillet {

// A control with its described name (and its text, for controls that carry one).
template <typename T>
T *named(QWidget *parent, const QString &name, const QString &text = {})
{
    auto *w = new T(parent);
    w->setObjectName(name);
    if constexpr (requires { w->setText(text); })
        if (!text.isNull())
            w->setText(text);
    return w;
}

// A timer or hot-macro key as a screen reader names it: the name the user gave it, or
// "Timer 3" / "Hot macro 3" while it has none.
inline QString plusKeyName(bool timer, int key, const QString &label)
{
    const QString name = label.trimmed();
    if (!name.isEmpty())
        return name;
    return QStringLiteral("%1 %2").arg(timer ? QStringLiteral("Timer") : QStringLiteral("Hot macro")).arg(key + 1);
}

}  // namespace quillet
