#pragma once

#include <QString>

class QWidget;

namespace quillet {

struct Globals;
class UiServices;

// "Export..": asks for a file name and, by its extension, writes the loaded document as
// a PDF layout guide (".pdf"), as one PNG picture per screen (".png", each named
// "<file stem> - <screen>.png" beside the chosen name) or as the memory's text (".json",
// which Import Text.. reads back). Nothing loaded: nothing happens.
// Returns a sentence saying where the files went, for the status bar; empty when nothing
// was written.
QString exportDocument(Globals &g, UiServices &ui, QWidget *parent);

}  // namespace quillet
