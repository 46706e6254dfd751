#include "app/ImportTextCommand.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "core/Fragment.h"
#include "core/MemoryText.h"
#include "core/ModelFile.h"
#include "core/Paths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillet {

namespace {

// Enough to find and mend the first problems; the command line tells them all.
constexpr int ProblemsShown = 12;

QString problemsMessage(const QString &path, const TextImport &result)
{
    QString text = QStringLiteral("%1 cannot be imported:\n").arg(QDir::toNativeSeparators(path));
    const int n = static_cast<int>(result.problems.size());
    for (int i = 0; i < std::min(n, ProblemsShown); ++i)
        text += QStringLiteral("\n%1").arg(result.problems[static_cast<size_t>(i)].text());
    if (n > ProblemsShown || result.unshown > 0)
        text += QStringLiteral("\n… and %1 more.").arg(std::max(n - ProblemsShown, 0) + result.unshown);
    return text;
}

}  // namespace

QString importedCaptionSuffix() { return QStringLiteral("  [IMPORTED]"); }

void importText(frmMain &w)
{
    Globals &g = w.globals();
    UiServices &ui = w.ui();
    // No document opens while a transfer runs.
    if (ui.backgroundHeld())
        return;
    if (!w.askBeforeDiscard(frmMain::DiscardRule::SaveAsThenStop))
        return;
    const QString path = ui.openFileName(&w,
                                         {QStringLiteral("Text (*.json)|*.json"), QStringLiteral("json"), QString(),
                                          joinPath(g.AppDir, QStringLiteral("DATA")) + nativeSeparator()});
    if (path.isEmpty())
        return;
    QByteArray text;
    QString error;
    if (!readMemoryTextFile(path, text, &error)) {
        ui.warn(&w, error);
        return;
    }
    // A piece for the clipboard is told so, with where it is pasted instead.
    if (const QString holds = fragmentHolds(text); !holds.isEmpty()) {
        ui.warn(&w, QStringLiteral("%1 is a fragment (%2), not the text of a whole memory. Copy it and paste it "
                                   "where it goes: %3.")
                        .arg(QDir::toNativeSeparators(path), holds,
                             holds == QLatin1String("keys") || holds == QLatin1String("a page")
                                 ? QStringLiteral("a page of Edit Device")
                             : holds == QLatin1String("a device") ? QStringLiteral("the device list")
                                                                  : QStringLiteral("its key on the Timer or Hot Macro page")));
        return;
    }
    const TextImport result = importMemoryText(text);
    if (!result.ok()) {
        ui.warn(&w, problemsMessage(path, result));
        return;
    }

    // A new document: it has no file of its own until Save As gives it one.
    if (result.model)
        fillWorksetFromModelFile(g, result.file);
    else
        fillImageFromDataFile(g.Image, result.file);
    g.LoadedKind = result.model ? 2 : 1;
    g.CurrentFile.clear();
    g.FilePath.clear();
    g.SaveAsFirst.clear();
    g.SelectedBank = 255;
    g.Modified = 1;
    w.newHistory();
    w.setCaptionSuffix(importedCaptionSuffix());
    w.setListTitle(QFileInfo(path).fileName());
    w.refreshLoaded();
    for (const QString &note : result.notes)
        ui.warn(&w, QStringLiteral("%1: %2.").arg(QFileInfo(path).fileName(), note));
}

}  // namespace quillet
