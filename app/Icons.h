#pragma once

#include <QIcon>
#include <QString>

namespace quillet {

// The program draws its own small icons, so the look is the same on every platform
// and nothing is borrowed from elsewhere.

// The icon of a command, by its identifier (mnuFileSave, mnuDOWN, ...); null if none.
QIcon commandIcon(const QString &name);

// The window's two image strips, by position. Tree: 2 folder, 4 data file, 5 model
// file, 6 root. Lists: 1 main menu, 2 device, 3 backup.
QIcon treeIcon(int position);
QIcon listIcon(int position);

}  // namespace quillet
