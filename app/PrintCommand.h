#pragma once

class QWidget;

namespace quillet {

struct Globals;
class UiServices;

// "Print..": the pages of the PDF layout guide, shown in a print preview from which the
// system's print dialog prints them. Nothing loaded: nothing happens.
void printDocument(Globals &g, UiServices &ui, QWidget *parent);

}  // namespace quillet
