#pragma once

#include <QString>

class QWidget;

namespace quillet {

bool showHelpWindow(QWidget *owner, const QString &helpFile, QString *error);

}  // namespace quillet
