#pragma once

#include "cli/Document.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace quillet::cli {

// The options of export that write a fragment (a device, a page, a timer, a macro) in
// place of the whole file's text, and the paste of import --into.
QList<QCommandLineOption> fragmentExportOptions();
bool wantsFragment(const QCommandLineParser &parser);
// The fragment's text, or false and why.
bool exportFragment(const QCommandLineParser &parser, const Document &doc, QByteArray &text, QString *error);

// A fragment pasted into a data file: a device into bank `bank` (0..9, or -1 for the first
// bank that holds nothing) with its button named `name` (empty: the fragment's), a timer or
// a macro into the first free slot.
struct FragmentPaste {
    QByteArray file;       // the data file's bytes; empty when refused
    QStringList problems;  // each as textFile:LINE:COL: PATH: message, then "and N more"
    bool usage = false;    // --bank or --name given for a piece they do not apply to
    QString done;          // "pasted TV as TV2 into bank 4"
};
FragmentPaste pasteFragment(const QByteArray &text, const QString &textFile, const QString &shownText, Document &into,
                            int bank, const QString &name, bool bankGiven);

}  // namespace quillet::cli
