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
// empty one) with its button named `name` (empty: the fragment's), a timer or a macro into
// the first free slot. On a refusal `problems` says why, each problem of the text as
// textFile:LINE:COL: PATH: message, and `file` is left empty.
void pasteFragment(const QByteArray &text, const QString &textFile, const QString &shownText, Document &into, int bank,
                   const QString &name, QByteArray &file, QStringList &problems);

}  // namespace quillet::cli
