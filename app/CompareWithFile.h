#pragma once

class QWidget;

namespace quillet {

struct Globals;
class UiServices;

// "Compare with File..": asks for a data file (a model file when a model is the document),
// reads it apart from the document and shows how the document differs from it in frmCompare.
// Nothing of the document changes; a file that cannot be read is told in a "Warning".
void compareWithFile(Globals &g, UiServices &ui, QWidget *parent);

}  // namespace quillet
