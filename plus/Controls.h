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

}  // namespace quillet
