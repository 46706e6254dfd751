#pragma once

#include <QString>

namespace quillet {

class frmMain;

// "Import Text..": opens a memory's text (as Export.. or quillet-cli export writes it) as a
// new document, modified and unnamed, with the caption suffix "[IMPORTED]"; Save then goes
// through Save As. It asks about unsaved changes as Open does, and opens nothing while a
// transfer runs. A text with problems is refused with each problem and its place, and the
// document stays as it was.
void importText(frmMain &window);

// The caption suffix of an imported document.
QString importedCaptionSuffix();

}  // namespace quillet
